#include "BalanceBar.h"

#include "BalanceZones.h"
#include "PaintGradient.h"
#include "Skin.h"
#include "SkinPalette.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

BalanceBar::BalanceBar(Playback& playback, const Skin& skin)
    : skin_(skin), playback_(playback), image_(kWidth, kHeight, QImage::Format_RGB32) {
    image_.fill(Qt::white);
    connect(&playback_, &Playback::balanceChanged, this, [this] { notifyChanged(); });
}

const QImage& BalanceBar::image() {
    const QRgb color = skin_.rgb();
    const int balPos = BalPos();
    if (balPos != drawnPos_ || color != drawnColor_) {
        QPainter painter(&image_);
        painter.setRenderHint(QPainter::Antialiasing, false);
        PaintGradient(painter, image_.rect(), false, {kWhite, kSilver, kWhite});
        // The marker glyph's empty box: four columns right of the marker's x, rows 1..5.
        painter.setPen(skin_.color());
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(balPos + 1, 1, 3, 4);
        drawnPos_ = balPos;
        drawnColor_ = color;
    }
    return image_;
}

void BalanceBar::press(QPoint pos, Qt::MouseButton button) {
    if (button == Qt::RightButton) {
        balDrag_ = false;
        notifyChanged();
        return;
    }
    if (button != Qt::LeftButton) return;
    // A press beside the zones still starts a drag, which sets the pan once it enters them.
    balDrag_ = true;
    if (auto setting = BalanceForX(pos.x(), false)) playback_.setBalance(setting->pan, setting->markerX);
}

void BalanceBar::move(QPoint pos, Qt::MouseButtons) {
    hint_ = QStringLiteral("Баланс: ") + BalanceHintNumber(BalValue());
    if (!balDrag_) return;
    if (auto setting = BalanceForX(pos.x(), true)) playback_.setBalance(setting->pan, setting->markerX);
}

void BalanceBar::release(QPoint, Qt::MouseButton) {
    balDrag_ = false;
}

void BalanceBar::setValue(double pan) {
    std::optional<BalanceSetting> nearest;
    for (int x = 0; x < kWidth; ++x) {
        const std::optional<BalanceSetting> at = BalanceForX(x, true);
        if (at && (!nearest || std::abs(at->pan - pan) < std::abs(nearest->pan - pan))) nearest = at;
    }
    if (nearest) playback_.setBalance(nearest->pan, nearest->markerX);
}

QString BalanceBar::BalText() const {
    return BalanceText(BalValue());
}

void BalanceBar::setBalance(float balValue, int balPos) {
    // Values come from an editable settings file: a pan beyond the ends (or not a number) must not
    // reach the engine, and a marker must stay on the bar.
    playback_.setBalance(std::isnan(balValue) ? 0.0f : std::clamp(balValue, -1.0f, 1.0f),
                         std::clamp(balPos, 0, 98));
}
