#include "AngledFont.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

// The faces the player ships or falls back to; Tahoma comes from a file, as the title font does.
QStringList availableFaces() {
    QStringList faces{"DejaVu Sans"};
    static const int tahoma = QFontDatabase::addApplicationFont("/usr/share/wine/fonts/tahoma.ttf");
    if (tahoma >= 0) faces += QFontDatabase::applicationFontFamilies(tahoma);
    return faces;
}

// Top ink row within the columns [from, to), or -1 when the columns hold no ink.
int topInk(const QImage& image, int from, int to) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = from; x < to; ++x)
            if (image.pixel(x, y) != 0xFFFFFFFF) return y;
    return -1;
}

} // namespace

TEST(SetAngledFont, CellIs25PixelsAndCharactersAbout5Wide) {
    for (const QString& face : availableFaces()) {
        for (int basePixels : {9, 40}) {
            QFont base(face);
            base.setPixelSize(basePixels);
            base.setBold(basePixels > 20);
            const AngledFont angled = SetAngledFont(base, 4.0f);
            const QFontMetrics metrics(angled.font);
            EXPECT_LE(metrics.height(), 25) << qPrintable(face);
            EXPECT_GE(metrics.height(), 23) << qPrintable(face);
            EXPECT_NEAR(QFontMetricsF(angled.font).averageCharWidth(), 5.0, 0.6) << qPrintable(face);
            EXPECT_EQ(angled.font.family(), base.family());
            EXPECT_EQ(angled.font.bold(), base.bold());
            EXPECT_DOUBLE_EQ(angled.angleDegrees, 4.0);
        }
    }
}

TEST(SetAngledFont, AngleKeepsTenthsOfADegreeTiesToEven) {
    const std::pair<float, double> cases[] = {
        {4.0f, 4.0},
        {0.25f, 0.2},
        {0.75f, 0.8},
        {-4.0f, -4.0},
        {4.04f, 4.0},
        {4.06f, 4.1},
        {364.0f, 4.0},
        {std::numeric_limits<float>::quiet_NaN(), 0.0},
        {std::numeric_limits<float>::infinity(), 0.0},
    };
    for (auto [angle, expected] : cases)
        EXPECT_NEAR(SetAngledFont(QFont("DejaVu Sans"), angle).angleDegrees, expected, 1e-9) << angle;
}

TEST(SetAngledFont, TextRisesToTheRightAndPainterIsRestored) {
    QImage image(220, 60, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    const QFont before("DejaVu Sans", 9);
    painter.setFont(before);
    painter.setPen(Qt::black);
    const AngledFont angled = SetAngledFont(before, 4.0f);
    DrawAngledText(painter, angled, QPointF(10, 20), QString(24, QChar('H')));
    EXPECT_EQ(painter.font(), before);
    EXPECT_TRUE(painter.transform().isIdentity());
    painter.end();

    const int width = QFontMetrics(angled.font).horizontalAdvance(QString(24, QChar('H')));
    const int left = topInk(image, 10, 20), right = topInk(image, 10 + width - 10, 10 + width);
    ASSERT_GE(left, 0);
    ASSERT_GE(right, 0);
    // tan(4 degrees) over the width between the two sampled spans.
    const double rise = std::tan(4.0 * M_PI / 180.0) * (width - 10);
    EXPECT_NEAR(left - right, rise, 2.0);
    // The cell starts at the given top-left: the first letter's top is near y = 20 (ascent minus cap height).
    EXPECT_GE(left, 20 - 1);
    EXPECT_LE(left, 20 + 8);
}
