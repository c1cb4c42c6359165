#pragma once
#include <QObject>
#include <QPoint>

class QMouseEvent;
class QWidget;

// Moves a borderless window from a press on a free spot of it. The window manager does the move
// where there is one (the window then snaps and stops at screen edges like any other); a bare X
// server has nobody to ask, so there the window follows the pointer by hand. Either way the drag
// ends when the button that started it goes up.
class WindowDrag : public QObject {
    Q_OBJECT
  public:
    explicit WindowDrag(QWidget& window);

    // Starts a drag with the button of this press.
    void start(const QMouseEvent& press);
    bool active() const { return active_; }

  signals:
    // The button went up. After a move by the window manager, the window's last move event may
    // still be on its way.
    void finished();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void finish();

    QWidget& window_;
    bool active_ = false;
    bool byHand_ = false;
    Qt::MouseButton button_ = Qt::NoButton;
    QPoint grab_; // the pointer's place inside the window at the press
};
