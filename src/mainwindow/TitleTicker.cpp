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
    dirty_ = true;
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

} // namespace

const QImage& TitleTicker::image() {
    const QRgb skin = SkinColor().rgb();
    if (skin != textColor_) {
        textColor_ = skin;
        textImage_ = QImage();
        dirty_ = true;
    }
    if (!dirty_) return image_;
    dirty_ = false;
    if (!text_.isEmpty() && textImage_.isNull()) renderText();
    // The title over the ground by hand, row by row into the same picture: at 50 pictures a second
    // a painter and a fresh image cost more than the blending itself.
    const int from = text_.isEmpty() ? 0 : qBound(0, offset_, kWidth);
    const int to = text_.isEmpty() ? 0 : qBound(0, offset_ + textImage_.width(), kWidth);
    for (int y = 0; y < kHeight; ++y) {
        const auto* ground = reinterpret_cast<const QRgb*>(ground_.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(image_.scanLine(y));
        std::copy(ground, ground + kWidth, out);
        if (from >= to) continue;
        const auto* text = reinterpret_cast<const QRgb*>(textImage_.constScanLine(y)) - offset_;
        for (int x = from; x < to; ++x) {
            const unsigned alpha = qAlpha(text[x]);
            if (alpha != 0) out[x] = 0xff000000u | (text[x] + scaleBytes(out[x], 255 - alpha));
        }
    }
    return image_;
}
