#include "AnalyserBackground.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

constexpr int kPictureWidth = 104;

// Grey level of each row, top to bottom (equal red, green and blue).
constexpr std::array<std::uint8_t, 41> kRowGreys = {
    215, 214, 213, 211, 210, 208, 207, 205, 204, 203, 201, 200, 199, 197, 196, 194, 193, 192, 190, 189, 187,
    186, 184, 183, 182, 180, 179, 177, 176, 174, 173, 172, 170, 169, 167, 166, 164, 163, 162, 160, 159};

} // namespace

QImage AnalyserBackground() {
    QImage picture(kPictureWidth, int(kRowGreys.size()), QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        const int grey = kRowGreys[std::size_t(y)];
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        std::fill(row, row + kPictureWidth, qRgb(grey, grey, grey));
    }
    return picture;
}
