#pragma once
// The logic of one painted box: an object without a widget, testable without a window.
// A widget forwards its mouse events here and shows image() on the screen;
// the logic emits `changed` whenever its look changed, so the widget can
// show exactly that change.
#include <QImage>
#include <QObject>
#include <QPoint>
#include <QSize>
#include <QString>

// Rows of a box's picture, from the top.
struct RowSpan {
    int first = 0;
    int count = 0;
};

class BoxLogic : public QObject {
    Q_OBJECT
  public:
    ~BoxLogic() override = default;

    virtual QSize size() const = 0;
    // The finished picture of the box; redrawn first when the state changed.
    virtual const QImage& image() = 0;

    virtual void press(QPoint /*pos*/, Qt::MouseButton /*button*/) {}
    virtual void move(QPoint /*pos*/, Qt::MouseButtons /*buttons*/) {}
    virtual void release(QPoint /*pos*/, Qt::MouseButton /*button*/) {}
    virtual void wheel(QPoint /*pos*/, int /*angleDelta*/) {}
    virtual QString hint() const { return {}; }

    // The rows the last change touched: the others look as they did before it, so the screen
    // needs only these (the seek bar's line changes 3 of its 10 rows, 25 times a second).
    RowSpan changedRows() const { return changedRows_; }

    // Device pixels per box pixel of the window the box is on (2 on a HiDPI screen). A box whose
    // picture holds text draws it at that resolution; the others' pictures stay in box pixels and
    // are enlarged on the way to the screen.
    int paintScale() const { return paintScale_; }
    void setPaintScale(int scale) {
        scale = qMax(1, scale);
        if (scale == paintScale_) return;
        paintScale_ = scale;
        paintScaleChanged();
    }

  signals:
    // The look changed, in changedRows().
    void changed();

  protected:
    // The next image() is to be drawn at the new paintScale().
    virtual void paintScaleChanged() {}

    void notifyChanged() { notifyChanged({0, size().height()}); }
    void notifyChanged(RowSpan rows) {
        changedRows_ = rows;
        emit changed();
    }

  private:
    RowSpan changedRows_;
    int paintScale_ = 1;
};
