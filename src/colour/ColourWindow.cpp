#include "ColourWindow.h"

#include "ColourPanel.h"
#include "RoundedRegion.h"
#include "Skin.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSlider>

ColourWindow::ColourWindow(Skin& skin)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), skin_(skin) {
    setWindowTitle(QStringLiteral("Цвет"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedSize(ColourPanel::kSize);
    setMask(RoundedRegion(size()));
    for (int i = Red; i <= Blue; ++i) {
        auto* slider = new QSlider(Qt::Horizontal, this);
        slider->setRange(0, 255);
        slider->setTickPosition(QSlider::NoTicks);
        slider->setGeometry(ColourPanel::kSliders[i]);
        slider->setFocusPolicy(Qt::StrongFocus);
        connect(slider, &QSlider::valueChanged, this, &ColourWindow::takeSliderColour);
        sliders_[i] = slider;
    }
    // Tab runs from the bottom slider up, and the blue one has the keyboard first.
    setTabOrder(sliders_[Blue], sliders_[Green]);
    setTabOrder(sliders_[Green], sliders_[Red]);
    sliders_[Blue]->setFocus();
    showSkinColour();
}

void ColourWindow::open(const QRect& over) {
    if (!placed_) {
        move(over.center() - rect().center());
        placed_ = true;
    }
    showSkinColour();
    show();
    raise();
    activateWindow();
}

void ColourWindow::takeSliderColour() {
    const QColor colour(sliders_[Red]->value(), sliders_[Green]->value(), sliders_[Blue]->value());
    picture_ = ColourPanel::paint(colour);
    update(ColourPanel::kSwatch);
    skin_.setColor(colour);
}

void ColourWindow::showSkinColour() {
    // Only showing what the skin holds: setting it back would repaint every window for nothing.
    const QColor colour = skin_.color();
    const int components[] = {colour.red(), colour.green(), colour.blue()};
    for (int i = Red; i <= Blue; ++i) {
        const QSignalBlocker quiet(sliders_[i]);
        sliders_[i]->setValue(components[i]);
    }
    picture_ = ColourPanel::paint(colour);
    update(ColourPanel::kSwatch);
}

void ColourWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, picture_);
}

void ColourWindow::keyPressEvent(QKeyEvent* event) {
    // The sliders leave Esc to the window, whichever has the keyboard.
    if (event->key() == Qt::Key_Escape)
        hide();
    else
        QWidget::keyPressEvent(event);
}

void ColourWindow::mousePressEvent(QMouseEvent* event) {
    // Any button drags; the sliders' own presses never get here, only ones they pass on.
    if (ColourPanel::isFreeSpot(event->position().toPoint())) drag_.start(*event);
}

void ColourWindow::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
}
