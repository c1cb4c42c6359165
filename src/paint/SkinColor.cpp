#include "SkinColor.h"

std::uint32_t ColorToColorRef(const QColor& color) {
    const QColor rgb = color.toRgb();
    return std::uint32_t(rgb.red()) | std::uint32_t(rgb.green()) << 8 | std::uint32_t(rgb.blue()) << 16;
}

QColor ColorFromColorRef(std::uint32_t colorRef) {
    return QColor(int(colorRef & 0xFF), int(colorRef >> 8 & 0xFF), int(colorRef >> 16 & 0xFF));
}
