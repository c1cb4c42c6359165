#pragma once
#include <QPainter>
#include <QString>

// Draws text with its cell's top-left corner at topLeft, as a Windows TextOut does; Qt's own
// drawText takes the baseline.
void DrawCellText(QPainter& painter, QPoint topLeft, const QString& text);
