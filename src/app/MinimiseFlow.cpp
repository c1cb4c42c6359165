#include "MinimiseFlow.h"

void MinimiseFlow::minimiseRequested() {
    if (state_ != State::Normal) return;
    if (hooks_.windowManagerRunning() && (hooks_.minimiseReported() || !hooks_.trayAvailable())) {
        hooks_.iconify(); // the window manager's answer, if it gives one, arrives as mainMinimised()
        return;
    }
    // Hidden with no icon to click, the player could never be brought back.
    if (!hooks_.trayAvailable()) return;
    state_ = State::Hidden;
    hooks_.hideSideWindows();
    hooks_.hideMain();
    hooks_.showIcon(true);
}

void MinimiseFlow::mainMinimised() {
    if (state_ != State::Normal) return;
    state_ = State::Minimised;
    hooks_.hideSideWindows();
    hooks_.showIcon(true);
}

void MinimiseFlow::mainRestored() {
    if (state_ == State::Minimised) comeBack();
}

void MinimiseFlow::restoreRequested() {
    if (state_ == State::Normal) return;
    // Back already, so the window manager's answer to showMain finds nothing left to do; it is
    // not waited for either: it may never come, and the icon must go now.
    state_ = State::Normal;
    hooks_.showMain();
    hooks_.showIcon(false);
    hooks_.showSideWindows();
}

void MinimiseFlow::comeBack() {
    state_ = State::Normal;
    hooks_.showIcon(false);
    hooks_.showSideWindows();
}

void MinimiseFlow::closing() {
    hooks_.showIcon(false);
}
