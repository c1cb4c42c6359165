#pragma once
// Copies a box's finished picture straight onto the screen, as a blit into a
// window's device context does: no paint event and no trip through the
// toolkit's backing store. For a box that changes 50 times a second (the
// title ticker) that trip costs many times the copy itself.
//
// Only under X11, for an opaque picture on a shown window of depth 24 at
// scale 1; otherwise copy() returns false and the caller repaints the usual
// way. The toolkit's copy of the window then lags behind the screen, which
// would show only when the window system asks for the window again (an
// expose): the whole window is then repainted, so it never shows.

#include <QImage>
#include <QPointer>

class QWidget;

// One per widget: it keeps what the copies onto that widget's window share,
// so that a copy repeats none of the lookups.
class ScreenCopy {
  public:
    explicit ScreenCopy(QWidget& widget) : widget_(widget) {}

    // `picture` is the widget's whole new look, of the widget's size.
    bool copy(const QImage& picture);

    // Pictures copied while a batch is open go to the display together when
    // the last batch closes: one write to the display connection per beat,
    // not one per box.
    class Batch {
      public:
        Batch();
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
    };

  private:
    QWidget& widget_;
    QPointer<QObject> target_; // what copying onto the widget's window needs
};
