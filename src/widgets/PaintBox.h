#pragma once
#include "BoxAccessible.h"
#include "BoxLogic.h"
#include "BoxPresenter.h"

#include <QWidget>

class HintWindow;

// A painted box on a window: forwards the mouse to its logic, shows the logic's hint through our
// hint window and shows the logic's finished picture. It holds no drawing rules.
// The wheel is left to the window the box sits on.
class PaintBox : public QWidget {
    Q_OBJECT
  public:
    // imageOffset: where the picture goes inside the box (the add-files button sits one pixel right).
    PaintBox(BoxLogic& logic, HintWindow& hint, QWidget* parent, QPoint imageOffset = {});

    BoxLogic& logic() { return logic_; }

    // A hint on show for this box takes up the logic's present text (after a wheel step, say).
    void refreshHint();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

  private:
    void followScale();

    BoxLogic& logic_;
    HintWindow& hint_;
    QPoint imageOffset_;
    BoxPresenter presenter_{*this};
    BoxAnnouncer announcer_;
};
