#include "EqualizerDefault.h"

#include "ScaledPicture.h"
#include "Skin.h"
#include "SkinFont.h"
#include "SkinPalette.h"

#include <QPainter>

EqualizerDefault::EqualizerDefault(Equalizer& equalizer, const Skin& skin)
    : skin_(skin), equalizer_(equalizer), image_(kWidth, kHeight, QImage::Format_RGB32) {
    image_.fill(Qt::white);
}

const QImage& EqualizerDefault::image() {
    const QRgb color = skin_.rgb();
    if (drawn_ && pressed_ == drawnPressed_ && color == drawnColor_) return image_;
    BeginShapes(image_, size());
    image_.fill(kSilver);
    QPainter painter(&image_);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(kWhite);
    painter.drawRect(0, 0, kWidth - 1, kHeight - 1);
    BeginTexts(painter, image_, paintScale());
    painter.setFont(SkinFont(7));
    painter.setPen(pressed_ ? skin_.color() : kWhite);
    painter.drawText(QRect(3, 1, kWidth, kHeight), Qt::AlignLeft | Qt::AlignTop, QStringLiteral("Def"));
    drawn_ = true;
    drawnPressed_ = pressed_;
    drawnColor_ = color;
    return image_;
}

void EqualizerDefault::press(QPoint, Qt::MouseButton button) {
    if (button != Qt::LeftButton) return;
    pressed_ = true;
    notifyChanged();
    equalizer_.ResetEQ();
}

void EqualizerDefault::release(QPoint, Qt::MouseButton button) {
    if (button != Qt::LeftButton) return;
    pressed_ = false;
    notifyChanged();
    equalizer_.ApplyEQGains();
}
