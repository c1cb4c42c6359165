#pragma once
#include "BoxLogic.h"
#include "Skin.h"

enum class ListButtonKind { Add, Del, Save };

// The playlist window's three small gradient buttons. Add and Del stay pressed while the menu they
// open is up; Save looks released while its dialog is open.
class ListButton : public BoxLogic {
    Q_OBJECT
  public:
    ListButton(ListButtonKind kind, const Skin& skin) : skin_(skin), kind_(kind) {}

    ListButtonKind kind() const { return kind_; }
    bool pressed() const { return pressed_; }
    QString label() const;

    QSize size() const override { return {33, 17}; }
    const QImage& image() override;
    void press(QPoint pos, Qt::MouseButton button) override;
    void release(QPoint pos, Qt::MouseButton button) override;
    QAccessible::Role accessibleRole() const override { return QAccessible::Button; }
    // It has no hint: it is named by what it shows.
    QString accessibleName() const override { return label(); }

  signals:
    // On the release of the left button: a menu or a dialog, modal.
    void triggered();

  protected:
    void paintScaleChanged() override { dirty_ = true; }

  private:
    void setPressed(bool pressed);

    const Skin& skin_;
    ListButtonKind kind_;
    bool pressed_ = false;
    bool dirty_ = true;
    QRgb paintedColor_ = 0;
    QImage image_;
};
