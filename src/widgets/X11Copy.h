#pragma once
// Copies rows of a box's picture straight onto its window on an X11 display, as a blit into a
// window's device context does: no paint event and no trip through the toolkit's backing store.
// For the boxes that change 25 to 50 times a second that trip costs many times the copy itself.
//
// Only for an opaque picture of the box's size on a shown, uncovered box of a depth-24 window at
// scale 1; otherwise copy() returns false and the box repaints the usual way. The toolkit's copy
// of the window then lags behind the screen, which would show only when the window system asks
// for the window again (an expose): every box of the window is then repainted, so it never shows.
//
// The rows go through memory shared with the X server where it has the extension: sent over the
// X connection instead, the title line's 50 pictures a second cost the player a fifth more of a
// core (bench/player_bench.sh).
#include "BoxLogic.h"

#include <QPointer>

#include <memory>

class QWidget;
struct xcb_connection_t;

class X11Copy {
  public:
    // Null unless the application runs on an X11 display.
    static std::unique_ptr<X11Copy> forBox(QWidget& box);

    bool copy(const QImage& picture, RowSpan rows);

  private:
    X11Copy(QWidget& box, xcb_connection_t* connection) : box_(box), connection_(connection) {}

    QWidget& box_;
    xcb_connection_t* connection_;
    QPointer<QObject> target_; // what copying onto the box's window needs
};
