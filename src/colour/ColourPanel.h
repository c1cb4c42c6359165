#pragma once
#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <array>

// The colour window without the widget: where its sliders and swatch stand and its picture (the
// ground and the swatch; the sliders draw themselves on top).
struct ColourPanel {
    static constexpr QSize kSize{188, 52};
    // Red, green, blue, top to bottom; each overlaps the next by two rows.
    static constexpr std::array<QRect, 3> kSliders{QRect{8, 8, 113, 13}, QRect{8, 19, 113, 13},
                                                   QRect{8, 30, 113, 13}};
    static constexpr QRect kSwatch{128, 8, 49, 33};

    // A press here drags the window: anywhere but on the swatch or a slider.
    static bool isFreeSpot(QPoint pos);
    // The silver-grey-silver ground with the swatch in `swatch`.
    static QImage paint(const QColor& swatch);
};
