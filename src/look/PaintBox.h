#pragma once
#include "BoxLogic.h"
#include "ScreenCopy.h"

#include <QWidget>

#include <functional>

class QPainter;

// A painted box on a window: forwards the mouse to its logic, shows the logic's hint through our
// hint window and copies the logic's finished picture when it paints. It holds no drawing rules.
// The wheel is left to the window the box sits on.
class PaintBox : public QWidget {
    Q_OBJECT
  public:
    // imageOffset: where the picture goes inside the box (the add-files button sits one pixel right).
    PaintBox(BoxLogic& logic, QWidget* parent, QPoint imageOffset = {});

    BoxLogic& logic() { return logic_; }

    // The window's ground in the parent's coordinates. With it, a picture that leaves part of the
    // box to the ground (the time text) is put together with the ground beneath it and copied
    // straight to the screen too, instead of taking the toolkit's repaint of the window.
    void setGround(std::function<const QImage&()> ground);

    // A hint on show for this box takes up the logic's present text (after a wheel step, say).
    void refreshHint();

  private:
    // Shows the logic's new picture.
    void present();
    bool copyOverGround(const QImage& picture);
    // Whether the picture alone covers every pixel of the box.
    bool covers(const QImage& picture) const;
    // The box's whole look: the picture, over the window's ground where it leaves gaps.
    void paintLook(QPainter& painter, const QImage& picture);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

  private:
    BoxLogic& logic_;
    QPoint imageOffset_;
    ScreenCopy screen_{*this};
    std::function<const QImage&()> ground_;
    QImage composed_;
};
