#pragma once
#include <QColor>
#include <cstdint>

// The settings file stores colours as Windows COLORREF integers: red in the low byte, then green,
// then blue. The high byte carries Windows palette flags and is ignored on the way in.
std::uint32_t ColorToColorRef(const QColor& color);
QColor ColorFromColorRef(std::uint32_t colorRef);
