#include "DotLine.h"
#include "LineStepper.h"
#include "SkinColor.h"
#include "SkinPalette.h"

#include <QImage>
#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace {

constexpr QRgb kGround = 0xFFFFFFFF;

// Restores the process-wide colour and phase whatever a test leaves behind.
class DotLine : public ::testing::Test {
  protected:
    void SetUp() override {
        savedSkin_ = SkinColor();
        savedCounter_ = DotCounter();
        SetSkinColor(QColor(13, 90, 219));
    }
    void TearDown() override {
        SetSkinColor(savedSkin_);
        SetDotCounter(savedCounter_);
    }

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
                rows[std::size_t(y)] += p == SkinColor().rgb() ? 'S'
                                        : p == kGrey.rgb()     ? 'g'
                                        : p == kGround         ? '.'
                                                               : '?';
            }
        return rows;
    }

  private:
    QColor savedSkin_;
    std::int32_t savedCounter_ = 0;
};

} // namespace

TEST_F(DotLine, DotPhasesDrawAPlusAndPixelPhasesOneGreyPixel) {
    const std::vector<std::string> dot{".....", "..S..", ".SgS.", "..S..", "....."};
    const std::vector<std::string> pixel{".....", ".....", "..g..", ".....", "....."};
    for (int phase = 0; phase < 10; ++phase) {
        SetDotCounter(phase + 20);
        EXPECT_EQ(picture(5, 5, [](QImage& p) { DotLineProc(2, 2, p); }), phase < 5 ? dot : pixel) << phase;
        EXPECT_EQ(DotCounter(), phase + 21);
    }
}

TEST_F(DotLine, PatternCarriesItsPhaseFromOneLineToTheNext) {
    SetDotCounter(0);
    const auto drawn = picture(20, 7, [](QImage& image) {
        StepLine(2, 1, 14, 1, [&](int x, int y) { DotLineProc(x, y, image); });
        EXPECT_EQ(DotCounter(), 12);
        StepLine(2, 5, 8, 5, [&](int x, int y) { DotLineProc(x, y, image); });
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
    SetDotCounter(-1); // phase 9: a single pixel, then the counter reaches 0 and dots begin
    const auto drawn = picture(6, 3, [](QImage& p) {
        DotLineProc(1, 1, p);
        DotLineProc(4, 1, p);
    });
    EXPECT_EQ(drawn, (std::vector<std::string>{"....S.", ".g.SgS", "....S."}));
    SetDotCounter(std::numeric_limits<std::int32_t>::max());
    picture(3, 3, [](QImage& p) { DotLineProc(1, 1, p); });
    EXPECT_EQ(DotCounter(), std::numeric_limits<std::int32_t>::min());
}

TEST_F(DotLine, PointsOnAndBeyondTheEdgeDrawWhatFallsInside) {
    SetDotCounter(0);
    EXPECT_EQ(picture(3, 3,
                      [](QImage& p) {
                          DotLineProc(0, 0, p);
                          DotLineProc(3, 2, p);  // only its left arm reaches in
                          DotLineProc(-2, 1, p); // nothing of it reaches in
                      }),
              (std::vector<std::string>{"gS.", "S..", "..S"}));
}
