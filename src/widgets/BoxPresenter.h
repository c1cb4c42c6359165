#pragma once
// Brings a box's new look to the screen: the one place that decides how. Under X11 the changed
// rows of an opaque picture go straight onto the window; everywhere else (Wayland, offscreen, a
// display without the needed format, a hidden, covered or scaled box, a picture with see-through
// parts) the box repaints the usual way.
#include "BoxLogic.h"

#include <memory>

class QWidget;
class X11Copy;

class BoxPresenter {
  public:
    explicit BoxPresenter(QWidget& box);
    ~BoxPresenter();
    BoxPresenter(const BoxPresenter&) = delete;
    BoxPresenter& operator=(const BoxPresenter&) = delete;

    // `picture` is the box's whole new look, drawn at `offset` in the box; only `rows` of it
    // changed since the last one.
    void show(const QImage& picture, QPoint offset, RowSpan rows);
    // Whether `picture` drawn at `offset` leaves no pixel of the box to what lies beneath.
    bool covers(const QImage& picture, QPoint offset) const;

  private:
    QWidget& box_;
    std::unique_ptr<X11Copy> x11_;
};
