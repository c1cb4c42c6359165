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

VolumeBar::VolumeBar(Playback& playback, const Skin& skin)
    : skin_(skin), playback_(playback), image_(kWidth, kHeight, QImage::Format_RGB32) {
    image_.fill(Qt::white);
    connect(&playback_, &Playback::volumeChanged, this, [this] { notifyChanged(); });
}

const QImage& VolumeBar::image() {
    const QRgb color = skin_.rgb();
    const int volPos = VolPos();
    if (volPos != drawnPos_ || color != drawnColor_) {
        QPainter painter(&image_);
        painter.setRenderHint(QPainter::Antialiasing, false);
        PaintGradient(painter, image_.rect(), false, {kWhite, kSilver, kWhite});
        drawMarker(painter, volPos, true, skin_.color());
        drawnPos_ = volPos;
        drawnColor_ = color;
    }
    return image_;
}

void VolumeBar::press(QPoint pos, Qt::MouseButton button) {
    if (button != Qt::LeftButton) return;
    volDrag_ = true;
    setVolPos(pos.x() > kMaxPos - 1 ? kMaxPos : pos.x());
}

void VolumeBar::tellValue() {
    hint_ = QStringLiteral("Громкость: %1%").arg(VolPos() - kMinPos);
}

void VolumeBar::move(QPoint pos, Qt::MouseButtons) {
    // The hint tells the value as it stood before this move, as the hint window shows it while
    // the pointer travels.
    tellValue();
    const int x = pos.x();
    if (volDrag_ && x > 0 && x < kMaxPos + 1) setVolPos(x);
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
    setVolPos(VolPos() + 1);
    tellValue();
}

void VolumeBar::wheelDown() {
    setVolPos(VolPos() - 1);
    tellValue();
}
