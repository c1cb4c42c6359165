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
    if (event->type() == QEvent::MouseMove) {
        const auto* move = static_cast<const QMouseEvent*>(event);
        // A platform that keeps the release to itself after its own move shows the button up here.
        if (!(move->buttons() & button_))
            finish();
        else if (byHand_)
            window_.move(move->globalPosition().toPoint() - grab_);
    } else if (event->type() == QEvent::MouseButtonRelease &&
               static_cast<const QMouseEvent*>(event)->button() == button_) {
        finish();
    }
    return false;
}

void WindowDrag::finish() {
    active_ = false;
    emit finished();
}
