#include "VolumeBar.h"

#include "PaintGradient.h"
#include "Skin.h"
#include "SkinPalette.h"

#include <QPainter>

#include <algorithm>

namespace {
// The bars mark their value with a glyph that has no face of its own (a character of code 0); we draw
// the small box such a glyph shows: four columns right of the marker's x, rows 1..5.
void drawMarker(QPainter& painter, int x, bool filled, const QColor& skin) {
    const QRect box(x + 1, 1, 4, 5);
    if (filled) {
        painter.fillRect(box, skin);
    } else {
        painter.setPen(skin);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(box.adjusted(0, 0, -1, -1));
    }
}
} // namespace

VolumeBar::VolumeBar(AudioEngine& engine, const PlaybackState& state, const Skin& skin)
    : skin_(skin), engine_(engine), state_(state), image_(kWidth, kHeight, QImage::Format_RGB32) {
    image_.fill(Qt::white);
}

void VolumeBar::setPos(int volPos) {
    volPos_ = std::clamp(volPos, kMinPos, kMaxPos);
    applyVolume();
    notifyChanged();
    if (volumeChanged) volumeChanged();
}

void VolumeBar::applyVolume() {
    engine_.SetVolume(state_.Channel, volPos_ - kMinPos);
}

const QImage& VolumeBar::image() {
    const QRgb color = skin_.rgb();
    if (volPos_ != drawnPos_ || color != drawnColor_) {
        QPainter painter(&image_);
        painter.setRenderHint(QPainter::Antialiasing, false);
        PaintGradient(painter, image_.rect(), false, {kWhite, kSilver, kWhite});
        drawMarker(painter, volPos_, true, skin_.color());
        drawnPos_ = volPos_;
        drawnColor_ = color;
    }
    return image_;
}

void VolumeBar::press(QPoint pos, Qt::MouseButton button) {
    if (button != Qt::LeftButton) return;
    volDrag_ = true;
    setPos(pos.x() > kMaxPos - 1 ? kMaxPos : pos.x());
}

void VolumeBar::tellValue() {
    hint_ = QStringLiteral("Громкость: %1%").arg(volPos_ - kMinPos);
}

void VolumeBar::move(QPoint pos, Qt::MouseButtons) {
    // The hint tells the value as it stood before this move, as the hint window shows it while
    // the pointer travels.
    tellValue();
    const int x = pos.x();
    if (volDrag_ && x > 0 && x < kMaxPos + 1) setPos(x);
}

void VolumeBar::release(QPoint, Qt::MouseButton) {
    volDrag_ = false;
}

void VolumeBar::wheel(QPoint, int angleDelta) {
    wheelRemainder_ += angleDelta;
    while (wheelRemainder_ >= 120) {
        wheelRemainder_ -= 120;
        wheelUp();
    }
    while (wheelRemainder_ <= -120) {
        wheelRemainder_ += 120;
        wheelDown();
    }
}

void VolumeBar::wheelUp() {
    setPos(volPos_ + 1);
    tellValue();
}

void VolumeBar::wheelDown() {
    setPos(volPos_ - 1);
    tellValue();
}

void VolumeBar::setVolPos(int volPos) {
    setPos(volPos);
}
