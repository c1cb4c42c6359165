#include "PaintBox.h"

#include "HintWindow.h"

#include <QCursor>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>

PaintBox::PaintBox(BoxLogic& logic, HintWindow& hint, QWidget* parent, QPoint imageOffset)
    : QWidget(parent), logic_(logic), hint_(hint), imageOffset_(imageOffset) {
    // A screen reader asks for the boxes whenever it likes, from the first one made.
    InstallBoxAccessibility();
    resize(logic.size());
    followScale();
    // A picture that covers the whole box needs nothing painted beneath it: the window's ground
    // is then skipped at every repaint. Where it leaves gaps (the time text, the add-files
    // button's first column) the window's ground shows through.
    setAttribute(Qt::WA_OpaquePaintEvent, presenter_.covers(logic.image(), imageOffset));
    setCursor(Qt::PointingHandCursor);
    setMouseTracking(false);
    connect(&logic_, &BoxLogic::changed, this, [this] {
        presenter_.show(logic_.image(), imageOffset_, logic_.changedRows());
        announcer_.announce(*this);
    });
}

void PaintBox::followScale() {
    // A window moved onto a screen of another ratio is repainted whole, so each paint may bring it.
    logic_.setPaintScale(qRound(devicePixelRatioF()));
}

void PaintBox::paintEvent(QPaintEvent*) {
    followScale();
    QPainter painter(this);
    painter.drawImage(imageOffset_, logic_.image());
}

void PaintBox::mousePressEvent(QMouseEvent* event) {
    hint_.hideHint();
    logic_.press(event->position().toPoint(), event->button());
}

void PaintBox::mouseDoubleClickEvent(QMouseEvent* event) {
    // Quick clicks on a box (tapping Next through a list) must each count: a double click is two presses.
    mousePressEvent(event);
}

void PaintBox::mouseMoveEvent(QMouseEvent* event) {
    logic_.move(event->position().toPoint(), event->buttons());
    refreshHint();
}

void PaintBox::mouseReleaseEvent(QMouseEvent* event) {
    logic_.release(event->position().toPoint(), event->button());
}

void PaintBox::refreshHint() {
    if (!hint_.isVisible() || !underMouse() || HintText(logic_.hint()) == hint_.text()) return;
    hint_.showHint(logic_.hint(), QCursor::pos(), this);
}

bool PaintBox::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::ToolTip:
        hint_.showHint(logic_.hint(), static_cast<QHelpEvent*>(event)->globalPos(), this);
        return true;
    case QEvent::Show:
        // Qt asks for hints only over the active window; ours show over any of the player's
        // windows, as the pointer rests on a box while the user works in another program.
        window()->setAttribute(Qt::WA_AlwaysShowToolTips);
        break;
    case QEvent::Hide:
    case QEvent::Leave:
        hint_.hideHint();
        break;
    default:
        break;
    }
    return QWidget::event(event);
}
