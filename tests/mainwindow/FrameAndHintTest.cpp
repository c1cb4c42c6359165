#include "FrameBackground.h"
#include "HintWindow.h"
#include "Skin.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
int CountColour(const QImage& image, const QRect& area, QRgb colour) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += image.pixel(x, y) == colour;
    return n;
}
} // namespace

TEST(FrameBackgroundLook, GradientRowsAtBothHeights) {
    const Skin skin;
    FrameBackground frame(skin);
    struct Case {
        int height;
        std::vector<std::pair<int, QRgb>> rows;
    };
    const std::vector<Case> cases = {
        {135,
         {{0, qRgb(255, 255, 255)},
          {1, qRgb(253, 253, 253)},
          {45, qRgb(192, 192, 192)},
          {90, qRgb(128, 128, 128)},
          {134, qRgb(128, 128, 128)}}},
        {178,
         {{0, qRgb(255, 255, 255)},
          {59, qRgb(192, 192, 192)},
          {118, qRgb(128, 128, 128)},
          {177, qRgb(128, 128, 128)}}},
    };
    for (const Case& c : cases) {
        const QImage& image = frame.image(c.height);
        ASSERT_EQ(image.size(), QSize(320, c.height));
        // Column 319 lies right of the title and of every box.
        for (auto [row, colour] : c.rows)
            EXPECT_EQ(image.pixel(319, row), colour) << c.height << " row " << row;
        EXPECT_GT(qGray(image.pixel(319, 20)), qGray(image.pixel(319, 60)));
    }
}

TEST(FrameBackgroundLook, TheTitleIsWrittenInTheSkinColour) {
    const Skin skin(QColor(13, 90, 219));
    FrameBackground frame(skin);
    const QRect titleArea(0, 0, 64, 30);
    EXPECT_GT(CountColour(frame.image(135), titleArea, qRgb(13, 90, 219)), 20);
    EXPECT_EQ(CountColour(frame.image(135), QRect(0, 40, 320, 95), qRgb(13, 90, 219)), 0) << "only the title";
}

TEST(HintText, AtSignsBecomeLineBreaks) {
    EXPECT_EQ(HintText("one@two"), QString("one\rtwo"));
    EXPECT_EQ(HintText("@@"), QString("\r\r"));
    EXPECT_EQ(HintText("Громкость"), QString("Громкость"));
}

TEST(HintPlacement, GrowsByTheTitleLineAndStaysOnTheDesktop) {
    const QRect desktop(0, 0, 1024, 768);
    struct Case {
        QRect measured;
        QRect placed;
    };
    const std::vector<Case> cases = {
        {{100, 100, 60, 16}, {100, 100, 80, 30}},  // room enough: only enlarged
        {{1000, 760, 60, 16}, {944, 738, 80, 30}}, // bottom-right corner: moved up and left
        {{-50, -20, 60, 16}, {0, 0, 80, 30}},      // off the top-left
        {{10, 10, 2000, 16}, {0, 10, 2020, 30}},   // wider than the desktop: the left edge wins
        {{944, 738, 60, 16}, {944, 738, 80, 30}},  // touching both edges exactly
    };
    for (const Case& c : cases)
        EXPECT_EQ(PlaceHint(c.measured, desktop), c.placed) << c.measured.x();
    // A desktop that does not start at 0 (a screen left of the primary one).
    EXPECT_EQ(PlaceHint({-1900, 5, 60, 16}, QRect(-1920, 0, 3840, 1080)), QRect(-1900, 5, 80, 30));
    EXPECT_EQ(PlaceHint({-2000, 5, 60, 16}, QRect(-1920, 0, 3840, 1080)), QRect(-1920, 5, 80, 30));
}

TEST(HintLook, GradientTitleAndText) {
    const QImage image = PaintHint(QSize(120, 30), "Громкость", QColor(13, 90, 219));
    EXPECT_EQ(image.pixel(118, 0), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(118, 29), qRgb(192, 192, 192));
    EXPECT_GT(CountColour(image, QRect(5, 0, 60, 12), qRgb(0, 0, 0)), 20) << "bold black title";
    EXPECT_EQ(CountColour(image, QRect(0, 0, 120, 12), qRgb(13, 90, 219)), 0);
    EXPECT_GT(CountColour(image, QRect(5, 12, 110, 18), qRgb(13, 90, 219)), 20)
        << "the text in the skin colour";
    EXPECT_EQ(CountColour(image, QRect(0, 0, 5, 30), qRgb(13, 90, 219)), 0) << "text starts at x 5";
}

TEST(HintWindowWidget, ShowsTheTextPlacedAndHidesOnAnEmptyOne) {
    const Skin skin;
    HintWindow hint(skin);
    hint.showHint("Пауза@x", QPoint(10, 10));
    EXPECT_TRUE(hint.isVisible());
    EXPECT_EQ(hint.text(), QString("Пауза\rx"));
    EXPECT_GT(hint.width(), 20);
    EXPECT_GT(hint.height(), 14);
    hint.showHint(QString(), QPoint(10, 10));
    EXPECT_FALSE(hint.isVisible());
}
