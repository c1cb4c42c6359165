#include "EqualizerSwitch.h"

#include "ScaledPicture.h"
#include "SkinFont.h"
#include "SkinPalette.h"

#include <QPainter>

EqualizerSwitch::EqualizerSwitch(Equalizer& equalizer)
    : equalizer_(equalizer), image_(kWidth, kHeight, QImage::Format_RGB32) {
    image_.fill(Qt::white);
    connect(&equalizer_, &Equalizer::changed, this, [this] {
        if ((equalizer_.EQEnabled() ? 1 : 0) != drawnState_) notifyChanged();
    });
}

const QImage& EqualizerSwitch::image() {
    const int state = equalizer_.EQEnabled() ? 1 : 0;
    if (state == drawnState_) return image_;
    BeginShapes(image_, size());
    image_.fill(kSilver);
    QPainter painter(&image_);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(state ? kOnColor : kOffColor);
    painter.drawRect(0, 0, kWidth - 1, kHeight - 1);
    BeginTexts(painter, image_, paintScale());
    painter.setFont(SkinFont(7));
    painter.setPen(kWhite);
    painter.drawText(QRect(4, 1, kWidth, kHeight), Qt::AlignLeft | Qt::AlignTop, QStringLiteral("ON"));
    drawnState_ = state;
    return image_;
}

void EqualizerSwitch::press(QPoint, Qt::MouseButton button) {
    if (button != Qt::LeftButton) return;
    equalizer_.switchEq(!equalizer_.EQApplied());
    // Held down, the button looks on whichever way it switched; the release shows the real state.
    equalizer_.setEqEnabled(true);
}

void EqualizerSwitch::release(QPoint, Qt::MouseButton button) {
    if (button != Qt::LeftButton) return;
    equalizer_.setEqEnabled(equalizer_.EQApplied());
}
