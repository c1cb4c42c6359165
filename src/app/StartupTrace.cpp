#include "StartupTrace.h"

#include <QEvent>
#include <QWindow>

#include <cstdio>

StartupTrace::StartupTrace() : enabled_(qEnvironmentVariableIsSet("VEXO_TRACE_STARTUP")) {
    clock_.start();
}

void StartupTrace::mark(const char* name) const {
    if (enabled_) fprintf(stderr, "%s %lld\n", name, static_cast<long long>(clock_.elapsed()));
}

void StartupTrace::markExposed(QWindow* window, const char* name) {
    if (!enabled_ || !window) return;
    exposedName_ = name;
    window->installEventFilter(this);
}

bool StartupTrace::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) {
        mark(exposedName_);
        watched->removeEventFilter(this);
    }
    return false;
}
