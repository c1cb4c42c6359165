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

#include <cstdint>

class QWidget;

// One per widget: it keeps where the widget lies on its native window, so
// that a copy repeats none of the lookups. What it keeps is taken again after
// anything that may have moved, hidden or covered a widget (layoutChanged()).
class ScreenCopy {
  public:
    explicit ScreenCopy(QWidget& widget) : widget_(widget) {}
    ~ScreenCopy();
    ScreenCopy(const ScreenCopy&) = delete;
    ScreenCopy& operator=(const ScreenCopy&) = delete;

    // Whether copies can go straight to the screen now, so a caller can skip preparing one.
    bool available() { return route().usable; }

    // `picture` is the widget's whole new look, of the widget's size; only its rows from
    // `firstRow` on, `rows` of them, are sent (the others are already on the screen).
    bool copy(const QImage& picture, int firstRow = 0, int rows = -1);

    // Shows the columns of `strip` from `fromX` on, the widget's width of them. The strip is sent
    // to the display server once and kept there (until it changes), so that sliding it costs one
    // small request: the title ticker moves 50 times a second.
    bool slide(const QImage& strip, int fromX);

    // A widget moved, was shown, hidden, restacked or reparented, or a window changed: every
    // ScreenCopy takes its place again before its next copy.
    static void layoutChanged();

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
    // Where copies onto the widget go, as found at `generation`.
    struct Route {
        std::uint64_t generation = 0;
        bool usable = false;
        std::uint32_t window = 0, gc = 0;
        std::int16_t x = 0, y = 0;
    };
    const Route& route();

    QWidget& widget_;
    Route route_;
    QPointer<QObject> target_; // what copying onto the widget's window needs
    QPointer<QObject> strip_;  // the strip kept by the display server, as a child of the window
};
