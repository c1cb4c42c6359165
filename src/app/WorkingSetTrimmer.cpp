#include "WorkingSetTrimmer.h"

#include "TrimWorkingSet.h"

#include <QCoreApplication>
#include <QDialog>
#include <QEvent>
#include <QTimer>

WorkingSetTrimmer::WorkingSetTrimmer(QObject* parent) : QObject(parent) {
    QCoreApplication::instance()->installEventFilter(this);
}

void WorkingSetTrimmer::trimSoon() {
    if (pending_) return;
    pending_ = true;
    QTimer::singleShot(0, this, [this] {
        pending_ = false;
        TrimWorkingSet();
    });
}

bool WorkingSetTrimmer::eventFilter(QObject* watched, QEvent* event) {
    // A press reaches the window system's window and then the widget: the widget's is the one.
    const QEvent::Type type = event->type();
    if (watched->isWidgetType() &&
        (type == QEvent::MouseButtonPress ||
         ((type == QEvent::Show || type == QEvent::Hide) && qobject_cast<QDialog*>(watched))))
        trimSoon();
    return false;
}
