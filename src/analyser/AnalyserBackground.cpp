#include "AnalyserBackground.h"

#include "PaintGradient.h"
#include "SkinPalette.h"

#include <QPainter>

namespace {
constexpr int kPictureWidth = 104;
constexpr int kPictureHeight = 40;
} // namespace

QImage AnalyserBackground(int windowHeight, int top) {
    QImage picture(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
    QPainter painter(&picture);
    // The main window's ground, shifted up so that only the box's own rows land in the picture.
    PaintGradient(painter, QRect(0, -top, kPictureWidth, windowHeight), false,
                  {kWhite, kSilver, kGrey, kGrey});
    return picture;
}
