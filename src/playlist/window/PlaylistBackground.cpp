#include "PlaylistBackground.h"

#include "CellText.h"
#include "PaintGradient.h"
#include "ScaledPicture.h"
#include "Skin.h"
#include "SkinFont.h"
#include "SkinPalette.h"

#include <QPainter>

const QImage& PlaylistBackground::image(QSize size, int scale) {
    const QRgb skin = skin_.rgb();
    if (!image_.isNull() && paintedSize_ == size && image_.devicePixelRatio() == scale &&
        skin == paintedColor_)
        return image_;
    paintedColor_ = skin;
    paintedSize_ = size;
    image_ = QImage(size, QImage::Format_RGB32);
    QPainter painter(&image_);
    PaintGradient(painter, image_.rect(), false,
                  {kSilver, kGrey, kSilver, kSilver, kWhite, kWhite, kSilver, kSilver, kSilver, kWhite});
    BeginTexts(painter, image_, scale);
    painter.setFont(SkinFont(16, false, QStringLiteral("Chiller")));
    painter.setPen(QColor::fromRgb(skin));
    DrawCellText(painter, {120, 2}, QStringLiteral("PlayList"));
    return image_;
}
