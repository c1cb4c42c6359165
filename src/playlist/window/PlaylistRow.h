#pragma once
#include <QColor>
#include <QFont>
#include <QPainter>
#include <QRect>
#include <QString>

// How a playlist row looks. The colours are fixed: they do not follow the skin colour.
enum class RowStyle { Selected, Current, Other };

// A selected row is painted as selected even when it is also the playing one.
RowStyle RowStyleOf(bool selected, bool current);
QColor RowTextColor(RowStyle style);

// Every row is this high; the list paints only the rows it shows.
constexpr int kRowHeight = 16;
// Titles are cut to this many pixels of the measuring font.
constexpr int kRowTitleWidth = 200;
// Where the duration starts, from the row's left edge.
constexpr int kRowDurationX = 245;

// Tahoma at 9 points, the list's own font.
QFont RowFont();

// PlayListDrawItem: "12. Band - Song" at (left + 2, top) and the duration at (left + 245, top), or
// further left where the row is too narrow to hold it whole, in the style's colour on whatever
// lies beneath; the playing row gets a one-pixel silver frame.
// row is 0-based; the number shown is row + 1.
void PlayListDrawItem(QPainter& painter, const QRect& rowRect, int row, const QString& fittedTitle,
                      const QString& duration, RowStyle style);
