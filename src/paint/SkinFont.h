#pragma once
#include <QFont>
#include <QString>
#include <cmath>

// A font of the skin at a size given in points, turned into pixels at 96 dpi so that the boxes look
// the same whatever the screen's DPI setting. Tahoma is the face every box uses unless it names
// another; where it is not installed the font system substitutes the nearest face.
inline QFont SkinFont(int points, bool bold = false, const QString& family = QStringLiteral("Tahoma")) {
    QFont font(family);
    font.setPixelSize(int(std::lround(points * 96.0 / 72.0)));
    font.setBold(bold);
    // Without antialiasing a glyph must start on a whole pixel: the system's usual slight hinting
    // places glyphs at fractions of a pixel, and rounding each one then runs letters into each
    // other and opens gaps inside words. Full hinting keeps whole-pixel advances.
    font.setStyleStrategy(QFont::NoAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}
