#pragma once
#include "BoxLogic.h"
#include "Skin.h"

#include <QRect>

#include <functional>

// The strip along the playlist window's bottom edge. Dragging it tracks a new height that the
// window takes only when the button is released; the width never changes.
class SizeStrip : public BoxLogic {
    Q_OBJECT
  public:
    // A tracked height must stay above this; the window's own minimum applies at the release.
    static constexpr int kTrackedMinimum = 120;

    SizeStrip(int windowWidth, const Skin& skin) : skin_(skin), windowWidth_(windowWidth) {}

    bool resizing() const { return resizing_; }
    // The height the window will take at the release.
    int trackedHeight() const { return tracked_.height(); }

    QSize size() const override { return {325, 2}; }
    const QImage& image() override;
    void press(QPoint pos, Qt::MouseButton button) override;
    void move(QPoint pos, Qt::MouseButtons buttons) override;
    void release(QPoint pos, Qt::MouseButton button) override;
    QString hint() const override { return {}; }
    // A grip with nothing to say: screen readers pass over it.
    QAccessible::Role accessibleRole() const override { return QAccessible::Separator; }

    // The window's rectangle on the screen and the screen's height, read when a drag starts.
    std::function<QRect()> windowRect;
    std::function<int()> screenHeight;

  signals:
    // The window's new height, at the release.
    void resizeRequested(int height);

  private:
    const Skin& skin_;
    int windowWidth_;
    bool resizing_ = false;
    int dragY_ = 0; // the pointer's last y; the strip does not move during a drag
    int screenHeight_ = 0;
    QRect tracked_;
    QRgb paintedColor_ = 0;
    QImage image_;
};
