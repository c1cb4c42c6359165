#include "DotLine.h"

#include "SkinPalette.h"

namespace {
void setPixel(QImage& image, int x, int y, QRgb color) {
    if (x >= 0 && y >= 0 && x < image.width() && y < image.height())
        reinterpret_cast<QRgb*>(image.scanLine(y))[x] = color;
}
} // namespace

void DotLineProc(int x, int y, QImage& image, QRgb skin, std::int32_t& counter) {
    Q_ASSERT(image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32);
    const int phase = int(((counter % 10) + 10) % 10);
    if (phase < 5) {
        setPixel(image, x - 1, y, skin);
        setPixel(image, x + 1, y, skin);
        setPixel(image, x, y - 1, skin);
        setPixel(image, x, y + 1, skin);
    }
    setPixel(image, x, y, kGrey.rgb());
    // Unsigned arithmetic so the counter wraps after 2^32 points instead of overflowing.
    counter = std::int32_t(std::uint32_t(counter) + 1u);
}
