#pragma once
#include <QColor>
#include <cstdint>

// The one user colour of the skin, read at every paint (nothing may cache it). Pure green until
// the settings are read. GUI thread only.
QColor SkinColor();
void SetSkinColor(const QColor& color);

// The settings file stores colours as Windows COLORREF integers: red in the low byte, then green,
// then blue. The high byte carries Windows palette flags and is ignored on the way in.
std::uint32_t ColorToColorRef(const QColor& color);
QColor ColorFromColorRef(std::uint32_t colorRef);
