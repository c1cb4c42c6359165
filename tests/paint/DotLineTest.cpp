#include "DotLine.h"
#include "LineStepper.h"
#include "SkinPalette.h"

#include <QImage>
#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace {

constexpr QRgb kGround = 0xFFFFFFFF;
constexpr QRgb kSkin = 0xFF0D5ADB;

class DotLine : public ::testing::Test {
  protected:
    // One point of the line in the skin colour, the phase carried by the test's counter.
    void point(int x, int y, QImage& image) { DotLineProc(x, y, image, kSkin, counter_); }

    std::int32_t counter_ = 0;

    // The picture drawn by draw on a white image, one character per pixel: S skin, g grey,
    // . untouched, ? anything else.
    template <typename Draw> static std::vector<std::string> picture(int width, int height, Draw draw) {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(kGround);
        draw(image);
        std::vector<std::string> rows(static_cast<std::size_t>(height));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const QRgb p = image.pixel(x, y);
                rows[std::size_t(y)] += p == kSkin ? 'S'
                                        : p == kGrey.rgb()     ? 'g'
                                        : p == kGround         ? '.'
                                                               : '?';
            }
        return rows;
    }
};

} // namespace

TEST_F(DotLine, DotPhasesDrawAPlusAndPixelPhasesOneGreyPixel) {
    const std::vector<std::string> dot{".....", "..S..", ".SgS.", "..S..", "....."};
    const std::vector<std::string> pixel{".....", ".....", "..g..", ".....", "....."};
    for (int phase = 0; phase < 10; ++phase) {
        counter_ = phase + 20;
        EXPECT_EQ(picture(5, 5, [this](QImage& p) { point(2, 2, p); }), phase < 5 ? dot : pixel) << phase;
        EXPECT_EQ(counter_, phase + 21);
    }
}

TEST_F(DotLine, PatternCarriesItsPhaseFromOneLineToTheNext) {
    counter_ = 0;
    const auto drawn = picture(20, 7, [this](QImage& image) {
        StepLine(2, 1, 14, 1, [&](int x, int y) { point(x, y, image); });
        EXPECT_EQ(counter_, 12);
        StepLine(2, 5, 8, 5, [&](int x, int y) { point(x, y, image); });
    });
    const std::vector<std::string> expected{
        "..SSSSS.....SS......", // arms above the dots at points 0-4 and 10-11
        ".SSSSSgggggSSgS.....", // later dots cover earlier centres; grey pixels cover the last right arm
        "..SSSSS.....SS......", //
        "....................", //
        "..SSS...............", // the next line goes on at phase 2: three dots,
        ".SSSgggg............", // then single pixels
        "..SSS...............", //
    };
    EXPECT_EQ(drawn, expected);
}

TEST_F(DotLine, PhaseStaysInRangeAcrossNegativeAndWrappingCounters) {
    counter_ = -1; // phase 9: a single pixel, then the counter reaches 0 and dots begin
    const auto drawn = picture(6, 3, [this](QImage& p) {
        point(1, 1, p);
        point(4, 1, p);
    });
    EXPECT_EQ(drawn, (std::vector<std::string>{"....S.", ".g.SgS", "....S."}));
    counter_ = std::numeric_limits<std::int32_t>::max();
    picture(3, 3, [this](QImage& p) { point(1, 1, p); });
    EXPECT_EQ(counter_, std::numeric_limits<std::int32_t>::min());
}

TEST_F(DotLine, PointsOnAndBeyondTheEdgeDrawWhatFallsInside) {
    counter_ = 0;
    EXPECT_EQ(picture(3, 3,
                      [this](QImage& p) {
                          point(0, 0, p);
                          point(3, 2, p);  // only its left arm reaches in
                          point(-2, 1, p); // nothing of it reaches in
                      }),
              (std::vector<std::string>{"gS.", "S..", "..S"}));
}
