#pragma once
#include <QPainter>
#include <QString>

// Draws text with its cell's top-left corner at topLeft, as a Windows TextOut does; Qt's own
// drawText takes the baseline.
void DrawCellText(QPainter& painter, QPoint topLeft, const QString& text);

// Tahoma comes from Wine's font folder, which fontconfig does not scan, and the stand-in for
// Chiller from its package's folder; Chiller itself from the user's Data folder when present.
// Returns the id of the Chiller font, or -1 when none was added.
int RegisterSkinFonts(const QString& dataFolder);
