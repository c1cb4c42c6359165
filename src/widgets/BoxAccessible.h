#pragma once
// A painted box as assistive technology sees it: the role, name and value its logic gives, and a
// press that clicks it. Without this a screen reader finds only unnamed blocks.
#include <QAccessibleWidget>

class PaintBox;

class BoxAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
  public:
    explicit BoxAccessible(PaintBox* box);

    QAccessible::Role role() const override;
    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

  private:
    PaintBox* box() const;
};

// Makes every PaintBox answer through BoxAccessible; installing it again does nothing.
void InstallBoxAccessibility();

// Tells a listening screen reader what changed in the box since it last heard: its name, its value
// or whether it stands on. Nothing is sent while no screen reader listens.
class BoxAnnouncer {
  public:
    void announce(PaintBox& box);

  private:
    QString name_;
    double value_ = 0;
    bool checked_ = false;
};
