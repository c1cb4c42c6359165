#include "ColourPanel.h"

#include "PaintGradient.h"
#include "SkinPalette.h"

#include <QPainter>

bool ColourPanel::isFreeSpot(QPoint pos) {
    if (kSwatch.contains(pos)) return false;
    for (const QRect& slider : kSliders)
        if (slider.contains(pos)) return false;
    return true;
}

QImage ColourPanel::paint(const QColor& swatch) {
    QImage image(kSize, QImage::Format_RGB32);
    QPainter painter(&image);
    PaintGradient(painter, image.rect(), false, {kSilver, kGrey, kSilver});
    painter.fillRect(kSwatch, swatch);
    return image;
}
