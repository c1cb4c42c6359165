#include "PaintGradient.h"
#include "SkinPalette.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

constexpr QRgb kBackground = 0xFF123456;

QImage canvas(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(kBackground);
    return image;
}

// The colour of each line across rect, after checking that every line is of one colour and that
// nothing outside rect was touched.
std::vector<QRgb> paintedLines(const QImage& image, const QRect& rect, bool horizontal) {
    std::vector<QRgb> lines;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (!rect.contains(x, y)) {
                EXPECT_EQ(pixel, kBackground) << "outside at " << x << "," << y;
                continue;
            }
            const std::size_t offset = std::size_t(horizontal ? x - rect.x() : y - rect.y());
            if (offset == lines.size()) lines.push_back(pixel & 0xFFFFFF);
            EXPECT_EQ(pixel & 0xFFFFFF, lines[offset]) << "line " << offset << " is not one colour";
        }
    return lines;
}

std::vector<QRgb> paint(const QRect& rect, bool horizontal, const std::vector<QColor>& colors) {
    QImage image = canvas(rect.right() + 4, rect.bottom() + 4);
    QPainter painter(&image);
    PaintGradient(painter, rect, horizontal, colors);
    painter.end();
    return paintedLines(image, rect, horizontal);
}

QRgb grey(int level) {
    return QRgb(level << 16 | level << 8 | level);
}

} // namespace

TEST(PaintGradient, MainWindowBackgroundOver135Rows) {
    const auto rows = paint(QRect(0, 0, 40, 135), false, {kWhite, kSilver, kGrey, kGrey});
    ASSERT_EQ(rows.size(), 135u);
    EXPECT_EQ(rows[0], grey(255));
    EXPECT_EQ(rows[1], grey(253)); // 255 - 63/45 = 253.6, truncated
    EXPECT_EQ(rows[45], grey(192));
    EXPECT_EQ(rows[46], grey(190)); // 192 - 64/45 = 190.6
    for (std::size_t row = 90; row < 135; ++row)
        EXPECT_EQ(rows[row], grey(128)) << row;
    for (std::size_t row = 1; row < 90; ++row)
        EXPECT_LE(rows[row], rows[row - 1]) << row;
}

// Short rectangles, where the rounding of the segment length and the final segment's rule decide.
TEST(PaintGradient, LinesOfSmallRectangles) {
    struct Case {
        int extent;
        std::vector<QColor> colors;
        std::vector<QRgb> lines;
    };
    const Case cases[] = {
        {10,
         {kWhite, kSilver},
         {grey(255), grey(248), grey(241), grey(234), grey(227), grey(220), grey(213), grey(206), grey(199),
          grey(192)}},
        // 9k exactly; 90 * 0.7 in doubles is 62.99..., which would truncate line 7 to 62.
        {11,
         {kBlack, QColor(90, 90, 90)},
         {grey(0), grey(9), grey(18), grey(27), grey(36), grey(45), grey(54), grey(63), grey(72), grey(81),
          grey(90)}},
        // Channels move on their own: t = k / 3.
        {4, {QColor(0, 100, 255), QColor(30, 40, 0)}, {0x0064FF, 0x0A50AA, 0x143C55, 0x1E2800}},
        {0, {kWhite, kSilver, kGrey}, {}},
        {1, {kWhite, kSilver}, {grey(255)}},
        // 5 / 2 = 2.5 rounds to 2: segments of 2 and 2.
        {5, {kWhite, kBlack, kWhite}, {grey(255), grey(127), grey(0), grey(127), grey(255)}},
        // 7 / 2 = 3.5 rounds to 4: a long first segment and a short final one.
        {7,
         {kWhite, kBlack, kWhite},
         {grey(255), grey(191), grey(127), grey(63), grey(0), grey(127), grey(255)}},
        // More segments than lines: later segments overwrite, and nothing lands past the far edge.
        {2, {kWhite, kSilver, kGrey, kBlack, kWhite}, {grey(0), grey(255)}},
        {3, {kBlack, kWhite, kBlack, kWhite, kGrey}, {grey(0), grey(255), grey(0)}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(paint(QRect(3, 4, 6, c.extent), false, c.colors), c.lines) << "rows " << c.extent;
        EXPECT_EQ(paint(QRect(4, 3, c.extent, 6), true, c.colors), c.lines) << "columns " << c.extent;
    }
}

#ifdef QT_NO_DEBUG
TEST(PaintGradient, FewerThanTwoColoursDrawNothingWhereAssertionsAreOff) {
    for (const std::vector<QColor>& colors : {std::vector<QColor>{}, std::vector<QColor>{kWhite}}) {
        QImage image = canvas(8, 8);
        QPainter painter(&image);
        const QPen pen(Qt::red, 3, Qt::DashLine);
        painter.setPen(pen);
        PaintGradient(painter, image.rect(), false, colors);
        EXPECT_EQ(painter.pen(), pen);
        painter.end();
        EXPECT_TRUE(paintedLines(image, QRect(), false).empty());
    }
}
#endif

TEST(PaintGradient, LeavesPenBrushAndFontAsTheyWere) {
    QImage image = canvas(320, 178);
    QPainter painter(&image);
    const QPen pen(QColor(1, 2, 3), 4, Qt::DotLine);
    const QBrush brush(Qt::blue, Qt::CrossPattern);
    QFont font("DejaVu Sans");
    font.setPixelSize(17);
    painter.setPen(pen);
    painter.setBrush(brush);
    painter.setFont(font);
    PaintGradient(painter, image.rect(), false, {kWhite, kSilver, kGrey, kGrey});
    EXPECT_EQ(painter.pen(), pen);
    EXPECT_EQ(painter.brush(), brush);
    EXPECT_EQ(painter.font(), font);
}
