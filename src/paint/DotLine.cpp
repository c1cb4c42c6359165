#include "DotLine.h"

#include "SkinColor.h"
#include "SkinPalette.h"

namespace {
std::int32_t dotCounter = 0;

void setPixel(QImage& image, int x, int y, QRgb color) {
    if (x >= 0 && y >= 0 && x < image.width() && y < image.height())
        reinterpret_cast<QRgb*>(image.scanLine(y))[x] = color;
}
} // namespace

void DotLineProc(int x, int y, QImage& image) {
    Q_ASSERT(image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32);
    const int phase = int(((dotCounter % 10) + 10) % 10);
    if (phase < 5) {
        const QRgb skin = SkinColor().rgb();
        setPixel(image, x - 1, y, skin);
        setPixel(image, x + 1, y, skin);
        setPixel(image, x, y - 1, skin);
        setPixel(image, x, y + 1, skin);
    }
    setPixel(image, x, y, kGrey.rgb());
    // Unsigned arithmetic so the counter wraps after 2^32 points instead of overflowing.
    dotCounter = std::int32_t(std::uint32_t(dotCounter) + 1u);
}

std::int32_t DotCounter() {
    return dotCounter;
}

void SetDotCounter(std::int32_t value) {
    dotCounter = value;
}
