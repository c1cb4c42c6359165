#include "TitleTicker.h"

#include "CellText.h"
#include "PaintGradient.h"
#include "Skin.h"
#include "SkinFont.h"
#include "SkinPalette.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cstring>

TitleTicker::TitleTicker(const Skin& skin)
    : skin_(skin), ground_(kWidth, kHeight, QImage::Format_RGB32),
      image_(kWidth, kHeight, QImage::Format_RGB32) {
    QPainter painter(&ground_);
    PaintGradient(painter, ground_.rect(), false, {kSilver, kWhite});
}

QString TitleTicker::hint() const {
    return QStringLiteral("\"Нажать СКМ\" для получения информации");
}

void TitleTicker::setTickerText(const QString& text) {
    const bool wasMoving = moving();
    text_ = text;
    textWidth_ = text.isEmpty() ? 0 : QFontMetrics(SkinFont(8)).horizontalAdvance(text);
    dirty_ = stripDirty_ = true;
    notifyChanged();
    if (wasMoving != moving()) emit motionChanged();
}

void TitleTicker::setTickerOffset(int offset) {
    setOffsetAndNotify(offset);
}

void TitleTicker::setDirection(int direction) {
    const bool wasMoving = moving();
    direction_ = direction;
    if (wasMoving != moving()) emit motionChanged();
}

bool TitleTicker::moving() const {
    // An empty title cycles its position invisibly; nothing to show, so nothing to tick for.
    return !drag_ && !text_.isEmpty() && (direction_ == 0 || direction_ == 1);
}

void TitleTicker::step() {
    if (drag_) return;
    int offset = offset_;
    if (direction_ == 0) {
        --offset;
        if (offset + textWidth_ < 0) offset = kWidth;
    } else if (direction_ == 1) {
        ++offset;
        if (offset > kWidth) offset = -textWidth_;
    } else {
        return;
    }
    setOffsetAndNotify(offset);
}

void TitleTicker::setOffsetAndNotify(int offset) {
    if (offset == offset_) return;
    offset_ = offset;
    dirty_ = true;
    notifyChanged();
}

void TitleTicker::press(QPoint pos, Qt::MouseButton button) {
    if (button == Qt::LeftButton) {
        const bool wasMoving = moving();
        drag_ = true;
        // Integer division truncates toward zero, which keeps the text's middle under the pointer.
        offset_ = pos.x() - textWidth_ / 2;
        dirty_ = true;
        notifyChanged();
        if (wasMoving != moving()) emit motionChanged();
    } else if (button == Qt::RightButton) {
        setDirection(direction_ == 0 ? 1 : 0);
    }
}

void TitleTicker::move(QPoint pos, Qt::MouseButtons) {
    if (drag_) setOffsetAndNotify(pos.x() - textWidth_ / 2);
}

void TitleTicker::release(QPoint, Qt::MouseButton button) {
    const bool wasMoving = moving();
    drag_ = false;
    if (wasMoving != moving()) emit motionChanged();
    if (button == Qt::MiddleButton) emit infoRequested();
}

void TitleTicker::renderStrip() {
    // The ground runs top to bottom, so every one of its columns is alike and the strip can be as
    // long as the title needs. The title is drawn on its own first and laid over the ground, as
    // its glyphs' soft edges would be over any ground.
    const int columns = textColumns();
    const int scale = paintScale();
    strip_ = QImage((2 * kWidth + columns) * scale, kHeight * scale, QImage::Format_RGB32);
    strip_.setDevicePixelRatio(scale);
    for (int y = 0; y < strip_.height(); ++y) {
        auto* out = reinterpret_cast<QRgb*>(strip_.scanLine(y));
        std::fill(out, out + strip_.width(), ground_.pixel(0, y / scale));
    }
    if (columns == 0) return;
    QImage title(columns * scale, kHeight * scale, QImage::Format_ARGB32_Premultiplied);
    title.setDevicePixelRatio(scale);
    title.fill(Qt::transparent);
    QPainter painter(&title);
    painter.setFont(SkinFont(8));
    painter.setPen(QColor::fromRgb(textColor_));
    DrawCellText(painter, {0, 0}, text_);
    painter.end();
    painter.begin(&strip_);
    painter.drawImage(kWidth, 0, title);
}

void TitleTicker::followSkinColor() {
    const QRgb skin = skin_.rgb();
    if (skin == textColor_) return;
    textColor_ = skin;
    dirty_ = stripDirty_ = true;
}

int TitleTicker::textColumns() const {
    return text_.isEmpty() ? 0 : qMax(1, textWidth_ + 4);
}

const QImage& TitleTicker::image() {
    followSkinColor();
    if (stripDirty_) {
        stripDirty_ = false;
        renderStrip();
    }
    if (!dirty_) return image_;
    dirty_ = false;
    // Beyond either end (a drag may take the title far out) the window shows the strip's ground.
    const int scale = paintScale();
    const int start = std::clamp(kWidth - offset_, 0, kWidth + textColumns()) * scale;
    for (int y = 0; y < image_.height(); ++y)
        std::memcpy(image_.scanLine(y), strip_.constScanLine(y) + start * sizeof(QRgb),
                    image_.width() * sizeof(QRgb));
    return image_;
}

void TitleTicker::paintScaleChanged() {
    image_ = QImage(size() * paintScale(), QImage::Format_RGB32);
    image_.setDevicePixelRatio(paintScale());
    dirty_ = stripDirty_ = true;
}
