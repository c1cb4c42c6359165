#include "EqualizerCurve.h"

#include "PaintGradient.h"
#include "Skin.h"
#include "SkinPalette.h"

#include <QPainter>
#include <QPolygon>

EqualizerCurve::EqualizerCurve(Equalizer& equalizer, const Skin& skin)
    : skin_(skin), equalizer_(equalizer), image_(kWidth, kHeight, QImage::Format_RGB32) {
    image_.fill(Qt::white);
    connect(&equalizer_, &Equalizer::changed, this, [this] {
        dirty_ = true;
        notifyChanged();
    });
}

const QImage& EqualizerCurve::image() {
    const QRgb color = skin_.rgb();
    if (!dirty_ && color == drawnColor_) return image_;
    QPainter painter(&image_);
    painter.setRenderHint(QPainter::Antialiasing, false);
    PaintGradient(painter, image_.rect(), false, {kSilver, kWhite, kSilver});
    const auto& rows = equalizer_.EQParams();
    QPolygon curve;
    curve << QPoint(0, rows[0]);
    for (int k = 0; k < Equalizer::kBands; ++k)
        curve << QPoint(10 * (k + 1), rows[k]);
    painter.setPen(QPen(skin_.color(), 0));
    painter.drawPolyline(curve);
    dirty_ = false;
    drawnColor_ = color;
    return image_;
}

void EqualizerCurve::setZones(QPoint pos) {
    for (int k = 0; k < Equalizer::kBands; ++k)
        if (pos.x() >= 10 * k && pos.x() <= 10 * k + 10) equalizer_.setBand(k, pos.y());
}

void EqualizerCurve::press(QPoint pos, Qt::MouseButton button) {
    if (button != Qt::LeftButton) return;
    eqDrag_ = true;
    setZones(pos);
}

void EqualizerCurve::move(QPoint pos, Qt::MouseButtons) {
    // Above or below the box the gains stay as they were; only the bands under the pointer follow.
    if (!eqDrag_ || pos.y() < Equalizer::kTopRow || pos.y() > Equalizer::kBottomRow) return;
    setZones(pos);
}

void EqualizerCurve::release(QPoint, Qt::MouseButton button) {
    if (button != Qt::LeftButton) return;
    eqDrag_ = false;
    notifyChanged();
}
