#include "LabelButton.h"

#include "CellText.h"
#include "ScaledPicture.h"
#include "Skin.h"
#include "SkinFont.h"
#include "SkinPalette.h"

#include <QPainter>

namespace {
constexpr QColor kModeGreen{72, 194, 41};
} // namespace

LabelButton::LabelButton(LabelKind kind, const Skin& skin)
    : skin_(skin), kind_(kind), image_(size(), QImage::Format_RGB32) {
    image_.fill(kWhite);
}

QString LabelButton::hint() const {
    switch (kind_) {
    case LabelKind::Playlist:
        return QStringLiteral("Плейлист (скрыть/показать)");
    case LabelKind::Equalizer:
        return QStringLiteral("Эквалайзер (скрыть/показать)");
    case LabelKind::Mode:
        return QStringLiteral("Повтор / Один трек / Случайный");
    }
    return {};
}

std::optional<bool> LabelButton::checked() const {
    if (kind_ == LabelKind::Mode) return std::nullopt;
    return shown_;
}

QString LabelButton::accessibleDescription() const {
    if (kind_ != LabelKind::Mode || mode_ < 0 || mode_ > 2) return {};
    // The hint names the three modes in their order.
    return hint().section(QStringLiteral(" / "), mode_, mode_);
}

void LabelButton::setShown(bool shown) {
    shown_ = shown;
    dirty_ = true;
    notifyChanged();
}

void LabelButton::setMode(int mode) {
    mode_ = mode;
    dirty_ = true;
    notifyChanged();
}

void LabelButton::press(QPoint, Qt::MouseButton button) {
    if (button != Qt::LeftButton || kind_ == LabelKind::Mode) return;
    // The playlist label lights at once; the toggle itself waits for the release.
    if (kind_ == LabelKind::Playlist) shown_ = true;
    dirty_ = true;
    notifyChanged();
}

void LabelButton::release(QPoint, Qt::MouseButton button) {
    if (button != Qt::LeftButton) return;
    if (kind_ == LabelKind::Mode) {
        mode_ = (mode_ + 1 > 2 || mode_ < 0) ? 0 : mode_ + 1;
        dirty_ = true;
        notifyChanged();
        emit modeChanged(mode_);
        return;
    }
    emit toggleRequested();
    dirty_ = true;
    notifyChanged();
}

const QImage& LabelButton::image() {
    const QRgb skin = skin_.rgb();
    if (dirty_ || (shown_ && skin != paintedColor_)) {
        paintedColor_ = skin;
        paint();
        dirty_ = false;
    }
    return image_;
}

void LabelButton::paint() {
    struct Label {
        QString text;
        int points;
        QPoint at;
        QColor color;
    };
    const QColor lit = shown_ ? QColor::fromRgb(paintedColor_) : kWhite;
    Label label;
    switch (kind_) {
    case LabelKind::Playlist:
        label = {QStringLiteral("PL"), 7, {6, 1}, lit};
        break;
    case LabelKind::Equalizer:
        label = {QStringLiteral("EQ"), 7, {5, 1}, lit};
        break;
    case LabelKind::Mode:
        if (mode_ == 0)
            label = {QStringLiteral("o"), 10, {8, -3}, kModeGreen};
        else if (mode_ == 1)
            label = {QStringLiteral("1"), 7, {9, 1}, kModeGreen};
        else if (mode_ == 2)
            label = {QStringLiteral("132"), 7, {4, 1}, kModeGreen};
        else
            return; // an unknown mode keeps the last picture
        break;
    }
    BeginShapes(image_, size());
    image_.fill(kSilver);
    QPainter painter(&image_);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(kWhite);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(0, 0, 22, 12));
    BeginTexts(painter, image_, paintScale());
    painter.setFont(SkinFont(label.points));
    painter.setPen(label.color);
    DrawCellText(painter, label.at, label.text);
}
