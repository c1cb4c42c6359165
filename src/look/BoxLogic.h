#pragma once
// The logic of one painted box: a plain object, testable without a window.
// A widget forwards its mouse events here and copies image() when it paints;
// the logic calls `changed` whenever its look changed, so the widget can
// schedule exactly one repaint.
#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>
#include <functional>
#include <utility>

class BoxLogic {
  public:
    virtual ~BoxLogic() = default;

    virtual QSize size() const = 0;
    // The finished picture of the box; redrawn first when the state changed.
    virtual const QImage& image() = 0;

    virtual void press(QPoint /*pos*/, Qt::MouseButton /*button*/) {}
    virtual void move(QPoint /*pos*/, Qt::MouseButtons /*buttons*/) {}
    virtual void release(QPoint /*pos*/, Qt::MouseButton /*button*/) {}
    virtual void wheel(QPoint /*pos*/, int /*angleDelta*/) {}
    virtual QString hint() const { return {}; }

    // The rows of the box whose look can ever change; the others look the same in every picture.
    // The screen then takes only these rows: the seek bar's line changes 3 of its 10 rows, 25
    // times a second. All rows unless a box knows better.
    virtual std::pair<int, int> changingRows() const { return {0, size().height()}; } // first, count

    // A box whose look only slides sideways over a wider picture (the title ticker) offers that
    // picture here: image() is then always the strip's columns from stripStart() on, and the
    // screen may keep the strip and slide it itself. Other boxes have none.
    virtual const QImage* strip() { return nullptr; }
    virtual int stripStart() const { return 0; }

    std::function<void()> changed;

  protected:
    void notifyChanged() {
        if (changed) changed();
    }
};
