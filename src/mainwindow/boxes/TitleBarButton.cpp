#include "TitleBarButton.h"

#include "CellText.h"
#include "RoundedRegion.h"
#include "ScaledPicture.h"
#include "SkinFont.h"
#include "SkinPalette.h"

#include <QPainter>

namespace {
constexpr QColor kBlue{0, 0, 255};
constexpr QColor kRed{255, 0, 0};
} // namespace

TitleBarButton::TitleBarButton(TitleBarKind kind) : kind_(kind), image_(size(), QImage::Format_RGB32) {}

QString TitleBarButton::hint() const {
    switch (kind_) {
    case TitleBarKind::Min:
        return QStringLiteral("Свернуть");
    case TitleBarKind::TopMost:
        return QStringLiteral("Поверх всех окон");
    case TitleBarKind::Exit:
        return QStringLiteral("Закрыть");
    }
    return {};
}

std::optional<bool> TitleBarButton::checked() const {
    if (kind_ != TitleBarKind::TopMost) return std::nullopt;
    return stayOnTop_;
}

void TitleBarButton::setStayOnTop(bool on) {
    stayOnTop_ = on;
    lit_ = on;
    dirty_ = true;
    notifyChanged();
}

bool TitleBarButton::inside(QPoint pos) const {
    // Both edges count: a release on the last row or column is still on the button.
    return pos.x() >= 0 && pos.x() <= size().width() && pos.y() >= 0 && pos.y() <= size().height();
}

void TitleBarButton::press(QPoint, Qt::MouseButton button) {
    const bool left = button == Qt::LeftButton;
    if (left) {
        lit_ = true;
        dirty_ = true;
        notifyChanged();
    }
}

void TitleBarButton::release(QPoint pos, Qt::MouseButton button) {
    if (button != Qt::LeftButton) return;
    const bool click = inside(pos);
    if (kind_ == TitleBarKind::TopMost) {
        if (click) stayOnTop_ = !stayOnTop_;
        lit_ = stayOnTop_;
    } else {
        lit_ = false;
    }
    dirty_ = true;
    notifyChanged();
    if (click) emit clicked();
}

const QImage& TitleBarButton::image() {
    if (!dirty_) return image_;
    dirty_ = false;
    BeginShapes(image_, size());
    image_.fill(kWhite);
    QPainter painter(&image_);
    // The frame's right and bottom edges are the box's last column and row.
    for (const QRect& run : RoundedOutline(size(), 5))
        painter.fillRect(run, kGrey);
    BeginTexts(painter, image_, paintScale());
    switch (kind_) {
    case TitleBarKind::Min:
        painter.setFont(SkinFont(8));
        painter.setPen(lit_ ? kBlue : kGrey);
        DrawCellText(painter, {4, 1}, QStringLiteral("-"));
        break;
    case TitleBarKind::TopMost:
        painter.setFont(SkinFont(6));
        painter.setPen(lit_ ? kBlue : kGrey);
        DrawCellText(painter, {3, 1}, QStringLiteral("T"));
        break;
    case TitleBarKind::Exit:
        painter.setFont(SkinFont(8));
        painter.setPen(lit_ ? kGrey : kRed);
        DrawCellText(painter, {3, -2}, QStringLiteral("x"));
        break;
    }
    return image_;
}
