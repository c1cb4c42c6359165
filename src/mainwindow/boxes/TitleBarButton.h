#pragma once
#include "BoxLogic.h"

enum class TitleBarKind { Min, TopMost, Exit };

// The three tiny buttons in the top right corner. They act on a release inside the box, so a
// press can still be taken back by sliding off.
class TitleBarButton : public BoxLogic {
    Q_OBJECT
  public:
    explicit TitleBarButton(TitleBarKind kind);

    TitleBarKind kind() const { return kind_; }
    // Min and Exit: the button is held. TopMost: the "T" shows lit.
    bool lit() const { return lit_; }
    // TopMost only: the window belongs in the stay-on-top band.
    bool stayOnTop() const { return stayOnTop_; }
    // Restores the stay-on-top state from the settings; the "T" follows it.
    void setStayOnTop(bool on);

    QSize size() const override { return {11, 12}; }
    const QImage& image() override;
    void press(QPoint pos, Qt::MouseButton button) override;
    void release(QPoint pos, Qt::MouseButton button) override;
    QString hint() const override;
    QAccessible::Role accessibleRole() const override { return QAccessible::Button; }
    std::optional<bool> checked() const override;

  signals:
    // Min: minimise; Exit: close; TopMost: the new stayOnTop() is to be applied to the window.
    void clicked();

  protected:
    void paintScaleChanged() override { dirty_ = true; }

  private:
    bool inside(QPoint pos) const;

    TitleBarKind kind_;
    bool lit_ = false;
    bool stayOnTop_ = false;
    bool dirty_ = true;
    QImage image_;
};
