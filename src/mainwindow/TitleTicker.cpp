#include "TitleTicker.h"

#include "CellText.h"
#include "PaintGradient.h"
#include "SkinColor.h"
#include "SkinFont.h"
#include "SkinPalette.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

TitleTicker::TitleTicker()
    : ground_(kWidth, kHeight, QImage::Format_RGB32), image_(kWidth, kHeight, QImage::Format_RGB32) {
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
    textImage_ = QImage();
    dirty_ = stripDirty_ = true;
    notifyChanged();
    if (wasMoving != moving() && motionChanged) motionChanged();
}

void TitleTicker::setTickerOffset(int offset) {
    setOffsetAndNotify(offset);
}

void TitleTicker::setDirection(int direction) {
    const bool wasMoving = moving();
    direction_ = direction;
    if (wasMoving != moving() && motionChanged) motionChanged();
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
        if (wasMoving != moving() && motionChanged) motionChanged();
    } else if (button == Qt::RightButton) {
        setDirection(direction_ == 0 ? 1 : 0);
    }
    if (trimWorkingSet) trimWorkingSet();
}

void TitleTicker::move(QPoint pos, Qt::MouseButtons) {
    if (drag_) setOffsetAndNotify(pos.x() - textWidth_ / 2);
}

void TitleTicker::release(QPoint, Qt::MouseButton button) {
    const bool wasMoving = moving();
    drag_ = false;
    if (wasMoving != moving() && motionChanged) motionChanged();
    if (button == Qt::MiddleButton && infoRequested) infoRequested();
}

void TitleTicker::renderText() {
    textImage_ = QImage(qMax(1, textWidth_ + 4), kHeight, QImage::Format_ARGB32_Premultiplied);
    textImage_.fill(Qt::transparent);
    QPainter painter(&textImage_);
    painter.setFont(SkinFont(8));
    painter.setPen(QColor::fromRgb(textColor_));
    DrawCellText(painter, {0, 0}, text_);
}

namespace {

// x * a / 255 for the four bytes of a pixel at once, rounded as the raster painter rounds.
QRgb scaleBytes(QRgb x, unsigned a) {
    unsigned t = (x & 0xff00ffu) * a;
    t = ((t + ((t >> 8) & 0xff00ffu) + 0x800080u) >> 8) & 0xff00ffu;
    unsigned u = ((x >> 8) & 0xff00ffu) * a;
    u = (u + ((u >> 8) & 0xff00ffu) + 0x800080u) & 0xff00ff00u;
    return u | t;
}

// The title over `count` pixels of ground, text[i] lying over out[i].
void blendTitle(QRgb* out, const QRgb* text, int count) {
    for (int i = 0; i < count; ++i) {
        const unsigned alpha = qAlpha(text[i]);
        if (alpha != 0) out[i] = 0xff000000u | (text[i] + scaleBytes(out[i], 255 - alpha));
    }
}

} // namespace

void TitleTicker::followSkinColor() {
    const QRgb skin = SkinColor().rgb();
    if (skin == textColor_) return;
    textColor_ = skin;
    textImage_ = QImage();
    dirty_ = stripDirty_ = true;
}

int TitleTicker::textColumns() const {
    return text_.isEmpty() ? 0 : qMax(1, textWidth_ + 4);
}

const QImage& TitleTicker::image() {
    followSkinColor();
    if (!dirty_) return image_;
    dirty_ = false;
    if (!text_.isEmpty() && textImage_.isNull()) renderText();
    // The title over the ground by hand, row by row into the same picture: at 50 pictures a second
    // a painter and a fresh image cost more than the blending itself.
    const int from = qBound(0, offset_, kWidth);
    const int to = qBound(0, offset_ + textColumns(), kWidth);
    for (int y = 0; y < kHeight; ++y) {
        const auto* ground = reinterpret_cast<const QRgb*>(ground_.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(image_.scanLine(y));
        std::copy(ground, ground + kWidth, out);
        if (from < to)
            blendTitle(out + from,
                       reinterpret_cast<const QRgb*>(textImage_.constScanLine(y)) + (from - offset_),
                       to - from);
    }
    return image_;
}

const QImage* TitleTicker::strip() {
    followSkinColor();
    if (!stripDirty_) return &strip_;
    stripDirty_ = false;
    if (!text_.isEmpty() && textImage_.isNull()) renderText();
    // The title between two strip widths of ground. The ground runs top to bottom, so every one of
    // its columns is alike and the strip can be as long as the title needs.
    const int columns = textColumns();
    strip_ = QImage(2 * kWidth + columns, kHeight, QImage::Format_RGB32);
    for (int y = 0; y < kHeight; ++y) {
        auto* out = reinterpret_cast<QRgb*>(strip_.scanLine(y));
        std::fill(out, out + strip_.width(), ground_.pixel(0, y));
        if (columns > 0)
            blendTitle(out + kWidth, reinterpret_cast<const QRgb*>(textImage_.constScanLine(y)), columns);
    }
    return &strip_;
}

int TitleTicker::stripStart() const {
    // Beyond either end (a drag may take the title far out) the strip shows its ground.
    return std::clamp(kWidth - offset_, 0, kWidth + textColumns());
}
