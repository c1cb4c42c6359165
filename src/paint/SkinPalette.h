#pragma once
#include <QColor>

// The fixed greys every skin gradient and frame is made of.
inline constexpr QColor kWhite{255, 255, 255};
inline constexpr QColor kSilver{192, 192, 192};
inline constexpr QColor kGrey{128, 128, 128};
inline constexpr QColor kBlack{0, 0, 0};
