#include "SizeStrip.h"

#include "Skin.h"
#include "SkinPalette.h"

#include <QPainter>

#include <climits>

const QImage& SizeStrip::image() {
    const QRgb skin = skin_.rgb();
    if (!image_.isNull() && skin == paintedColor_) return image_;
    paintedColor_ = skin;
    image_ = QImage(size(), QImage::Format_RGB32);
    image_.fill(kSilver);
    QPainter painter(&image_);
    painter.setPen(QColor::fromRgb(skin));
    painter.drawLine(0, 1, windowWidth_ - 1, 1);
    return image_;
}

void SizeStrip::press(QPoint pos, Qt::MouseButton button) {
    if (button != Qt::LeftButton) return;
    resizing_ = true;
    dragY_ = pos.y();
    tracked_ = windowRect ? windowRect() : QRect();
    screenHeight_ = screenHeight ? screenHeight() : INT_MAX;
}

void SizeStrip::move(QPoint pos, Qt::MouseButtons) {
    if (!resizing_) return;
    const int dy = pos.y() - dragY_;
    if (tracked_.height() + dy > kTrackedMinimum && tracked_.bottom() + 1 + dy < screenHeight_)
        tracked_.setBottom(tracked_.bottom() + dy);
    dragY_ = pos.y();
}

void SizeStrip::release(QPoint, Qt::MouseButton) {
    if (!resizing_) return;
    resizing_ = false;
    emit resizeRequested(tracked_.height());
}
