#include "FrameBackground.h"

#include "AngledFont.h"
#include "CellText.h"
#include "PaintGradient.h"
#include "ScaledPicture.h"
#include "Skin.h"
#include "SkinFont.h"
#include "SkinPalette.h"

#include <QPainter>

FrameBackground::FrameBackground(const Skin& skin, const QString& titleFace)
    : skin_(skin), titleFace_(titleFace) {}

const QImage& FrameBackground::image(int height, int scale) {
    const QRgb skin = skin_.rgb();
    if (!image_.isNull() && paintedHeight_ == height && image_.devicePixelRatio() == scale &&
        skin == paintedColor_)
        return image_;
    paintedColor_ = skin;
    paintedHeight_ = height;
    image_ = QImage(kWidth, height, QImage::Format_RGB32);
    QPainter painter(&image_);
    PaintGradient(painter, image_.rect(), false, {kWhite, kSilver, kGrey, kGrey});
    BeginTexts(painter, image_, scale);
    const AngledFont title = SetAngledFont(SkinFont(16, false, titleFace_), 4.0f);
    painter.setPen(QColor::fromRgb(skin));
    DrawAngledText(painter, title, QPointF(2, 2), QStringLiteral("Vexo MP"));
    return image_;
}
