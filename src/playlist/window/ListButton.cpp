#include "ListButton.h"

#include "CellText.h"
#include "PaintGradient.h"
#include "ScaledPicture.h"
#include "Skin.h"
#include "SkinFont.h"
#include "SkinPalette.h"

#include <QPainter>

QString ListButton::label() const {
    switch (kind_) {
    case ListButtonKind::Add:
        return QStringLiteral("Add");
    case ListButtonKind::Del:
        return QStringLiteral("Del");
    case ListButtonKind::Save:
        break;
    }
    return QStringLiteral("Save");
}

const QImage& ListButton::image() {
    const QRgb skin = skin_.rgb();
    if (!dirty_ && skin == paintedColor_) return image_;
    dirty_ = false;
    paintedColor_ = skin;
    image_ = QImage(size(), QImage::Format_RGB32);
    QPainter painter(&image_);
    const std::vector<QColor> colors =
        pressed_ ? std::vector<QColor>{kSilver, kWhite} : std::vector<QColor>{kWhite, kSilver};
    PaintGradient(painter, image_.rect(), false, colors);
    BeginTexts(painter, image_, paintScale());
    painter.setFont(SkinFont(10));
    painter.setPen(QColor::fromRgb(skin));
    const int x = kind_ == ListButtonKind::Add ? 5 : kind_ == ListButtonKind::Del ? 8 : 3;
    DrawCellText(painter, {x, 0}, label());
    return image_;
}

void ListButton::setPressed(bool pressed) {
    pressed_ = pressed;
    dirty_ = true;
    notifyChanged();
}

void ListButton::press(QPoint, Qt::MouseButton button) {
    if (button == Qt::LeftButton) setPressed(true);
}

void ListButton::release(QPoint, Qt::MouseButton button) {
    if (button != Qt::LeftButton) return;
    if (kind_ == ListButtonKind::Save) setPressed(false);
    emit triggered();
    setPressed(false);
}
