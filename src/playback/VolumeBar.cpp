#include "VolumeBar.h"

#include "PaintGradient.h"
#include "SkinColor.h"
#include "SkinPalette.h"

#include <QPainter>

#include <algorithm>

namespace {
// The bars mark their value with a glyph that has no face of its own (a character of code 0); we draw
// the small box such a glyph shows: four columns right of the marker's x, rows 1..5.
void drawMarker(QPainter& painter, int x, bool filled) {
    const QRect box(x + 1, 1, 4, 5);
    if (filled) {
        painter.fillRect(box, SkinColor());
    } else {
        painter.setPen(SkinColor());
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(box.adjusted(0, 0, -1, -1));
    }
}
} // namespace

VolumeBar::VolumeBar(AudioEngine& engine, const PlaybackState& state)
    : engine_(engine), state_(state), image_(kWidth, kHeight, QImage::Format_RGB32) {
    image_.fill(Qt::white);
}

const QImage& VolumeBar::image() {
    if (volPos_ < kMinPos) volPos_ = kMinPos;
    // A settings file may hold any number; the engine only takes 0..100 %.
    if (volPos_ > kMaxPos) volPos_ = kMaxPos;
    engine_.SetVolume(state_.Channel, volPos_ - kMinPos);

    const QRgb color = SkinColor().rgb();
    if (volPos_ != drawnPos_ || color != drawnColor_) {
        QPainter painter(&image_);
        painter.setRenderHint(QPainter::Antialiasing, false);
        PaintGradient(painter, image_.rect(), false, {kWhite, kSilver, kWhite});
        drawMarker(painter, volPos_, true);
        drawnPos_ = volPos_;
        drawnColor_ = color;
    }
    return image_;
}

void VolumeBar::press(QPoint pos, Qt::MouseButton button) {
    if (button != Qt::LeftButton) return;
    volDrag_ = true;
    volPos_ = pos.x() > kMaxPos - 1 ? kMaxPos : pos.x();
    notifyChanged();
}

void VolumeBar::tellValue() {
    // Between an input event and the paint the marker may stand left of 0 %; the paint brings it
    // back, and the hint already says what will be heard.
    hint_ = QStringLiteral("Громкость: %1%").arg(std::clamp(volPos_, kMinPos, kMaxPos) - kMinPos);
}

void VolumeBar::move(QPoint pos, Qt::MouseButtons) {
    // The hint tells the value as it stood before this move, as the hint window shows it while
    // the pointer travels.
    tellValue();
    const int x = pos.x();
    if (volDrag_ && x > 0 && x < kMaxPos + 1 && volPos_ > 0 && volPos_ < kMaxPos + 1) {
        volPos_ = x;
        notifyChanged();
    }
}

void VolumeBar::release(QPoint, Qt::MouseButton) {
    volDrag_ = false;
}

void VolumeBar::wheel(QPoint, int angleDelta) {
    wheelRemainder_ += angleDelta;
    while (wheelRemainder_ >= 120) {
        wheelRemainder_ -= 120;
        WheelUp();
    }
    while (wheelRemainder_ <= -120) {
        wheelRemainder_ += 120;
        WheelDown();
    }
}

void VolumeBar::WheelUp() {
    if (volPos_ >= kMaxPos) volPos_ = kMaxPos - 1;
    ++volPos_;
    tellValue();
    notifyChanged();
}

void VolumeBar::WheelDown() {
    if (volPos_ <= 0) volPos_ = 1;
    --volPos_;
    tellValue();
    notifyChanged();
}

void VolumeBar::SetVolPos(int volPos) {
    volPos_ = volPos;
    notifyChanged();
}
