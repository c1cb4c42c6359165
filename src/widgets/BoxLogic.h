#pragma once
// The logic of one painted box: an object without a widget, testable without a window.
// A widget forwards its mouse events here and shows image() on the screen;
// the logic emits `changed` whenever its look changed, so the widget can
// show exactly that change.
#include <QAccessible>
#include <QImage>
#include <QObject>
#include <QPoint>
#include <QSize>
#include <QString>

#include <optional>

// Rows of a box's picture, from the top.
struct RowSpan {
    int first = 0;
    int count = 0;
};

// What a bar or a display holds, in the units a screen reader speaks (percent, seconds).
struct BoxValue {
    double current = 0;
    double minimum = 0;
    double maximum = 0;
    double step = 1;
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

    // How a screen reader sees the box: a picture named by its hint unless the box says more.
    virtual QAccessible::Role accessibleRole() const { return QAccessible::Graphic; }
    virtual QString accessibleName() const { return hint(); }
    virtual QString accessibleDescription() const { return {}; }
    // Bars and displays of a value; nothing for the others.
    virtual std::optional<BoxValue> value() const { return std::nullopt; }
    // A value asked for by a screen reader; a box that only shows its value ignores it.
    virtual void setValue(double /*value*/) {}
    // Toggles: whether they stand on; nothing for the other boxes.
    virtual std::optional<bool> checked() const { return std::nullopt; }
    // What a screen reader's press does: a left click in the middle, as the hand gives it.
    virtual bool activatable() const { return accessibleRole() == QAccessible::Button; }
    virtual void activate() { click(Qt::LeftButton); }

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

    void click(Qt::MouseButton button) {
        const QPoint middle(size().width() / 2, size().height() / 2);
        press(middle, button);
        release(middle, button);
    }

    void notifyChanged() { notifyChanged({0, size().height()}); }
    void notifyChanged(RowSpan rows) {
        changedRows_ = rows;
        emit changed();
    }

  private:
    RowSpan changedRows_;
    int paintScale_ = 1;
};
