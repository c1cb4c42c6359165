#include "WindowDrag.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

WindowDrag::WindowDrag(QWidget& window) : window_(window) {
    window.installEventFilter(this);
}

void WindowDrag::start(const QMouseEvent& press) {
    active_ = true;
    button_ = press.button();
    grab_ = press.globalPosition().toPoint() - window_.pos();
    QWindow* handle = window_.windowHandle();
    byHand_ = !(handle && handle->startSystemMove());
}

bool WindowDrag::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &window_ || !active_) return false;
    if (event->type() == QEvent::MouseMove && byHand_) {
        window_.move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - grab_);
    } else if (event->type() == QEvent::MouseButtonRelease &&
               static_cast<QMouseEvent*>(event)->button() == button_) {
        active_ = false;
        emit finished();
    }
    return false;
}
