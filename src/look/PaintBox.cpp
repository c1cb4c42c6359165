#include "PaintBox.h"

#include "HintWindow.h"
#include "ScreenCopy.h"

#include <QCursor>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

PaintBox::PaintBox(BoxLogic& logic, QWidget* parent, QPoint imageOffset)
    : QWidget(parent), logic_(logic), imageOffset_(imageOffset) {
    resize(logic.size());
    // A box whose every paint covers all of it needs nothing painted beneath: the window's ground
    // is then skipped at every one of the ticker's 50 repaints a second. A picture that leaves
    // part of the box to the ground (the time text) is covered once the box knows the ground.
    setAttribute(Qt::WA_OpaquePaintEvent, covers(logic.image()));
    setCursor(Qt::PointingHandCursor);
    setMouseTracking(false);
    QPointer<PaintBox> self(this);
    logic_.changed = [self] {
        if (self) self->present();
    };
}

void PaintBox::present() {
    // Straight to the screen, as a blit would; where that cannot be done, through a paint event.
    if (const QImage* strip = logic_.strip(); strip && screen_.slide(*strip, logic_.stripStart())) return;
    const QImage& picture = logic_.image();
    const auto [firstRow, rows] = logic_.changingRows();
    if (covers(picture) ? screen_.copy(picture, firstRow, rows) : copyOverGround(picture)) return;
    update();
}

void PaintBox::setGround(std::function<const QImage&()> ground) {
    ground_ = std::move(ground);
    if (ground_) setAttribute(Qt::WA_OpaquePaintEvent);
}

bool PaintBox::covers(const QImage& picture) const {
    return imageOffset_.isNull() && !picture.hasAlphaChannel() && picture.size() == size();
}

void PaintBox::paintLook(QPainter& painter, const QImage& picture) {
    if (ground_ && !covers(picture)) painter.drawImage(QPoint(0, 0), ground_(), geometry());
    painter.drawImage(imageOffset_, picture);
}

bool PaintBox::copyOverGround(const QImage& picture) {
    if (!ground_ || !screen_.available()) return false;
    if (!ground_().rect().contains(geometry())) return false;
    if (composed_.size() != size()) composed_ = QImage(size(), QImage::Format_RGB32);
    QPainter painter(&composed_);
    paintLook(painter, picture);
    painter.end();
    return screen_.copy(composed_);
}

void PaintBox::paintEvent(QPaintEvent*) {
    // Whole, ground included: the toolkit shows this after an expose, and may show it at any time
    // over what went straight to the screen.
    QPainter painter(this);
    paintLook(painter, logic_.image());
}

void PaintBox::mousePressEvent(QMouseEvent* event) {
    HintWindow::instance().hideHint();
    logic_.press(event->position().toPoint(), event->button());
}

void PaintBox::mouseDoubleClickEvent(QMouseEvent* event) {
    // A fast second click is a click like the first one, as on the original buttons.
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
    HintWindow& hint = HintWindow::instance();
    if (!hint.isVisible() || !underMouse() || HintText(logic_.hint()) == hint.text()) return;
    hint.showHint(logic_.hint(), QCursor::pos());
}

bool PaintBox::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::ZOrderChange:
    case QEvent::ParentChange:
        ScreenCopy::layoutChanged();
        break;
    case QEvent::ToolTip:
        HintWindow::instance().showHint(logic_.hint(), static_cast<QHelpEvent*>(event)->globalPos());
        return true;
    case QEvent::Hide:
        ScreenCopy::layoutChanged();
        HintWindow::instance().hideHint();
        break;
    case QEvent::Leave:
        HintWindow::instance().hideHint();
        break;
    default:
        break;
    }
    return QWidget::event(event);
}
