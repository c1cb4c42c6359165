#include "SpectrumAnalyser.h"
#include "AnalyserBackground.h"
#include "FakeEngine.h"
#include "Skin.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const QRgb kStem = qRgb(217, 217, 217);

std::vector<float> uniform(float magnitude) {
    return std::vector<float>(kFftBins, magnitude);
}

QRgb backgroundAt(int y) {
    return AnalyserBackground(135, 28).pixel(0, y);
}

class SpectrumAnalyserTest : public ::testing::Test {
  protected:
    Skin skin{QColor(0, 255, 0)};
    SpectrumAnalyser analyser{skin};
};

TEST(AnalyserBackgroundPicture, RowsAreUniformGreysDarkeningDownwards) {
    const QImage picture = AnalyserBackground(135, 28);
    ASSERT_EQ(picture.size(), QSize(104, 40));
    const struct {
        int row, grey;
    } rows[] = {{0, 215}, {1, 214}, {3, 211}, {19, 189}, {37, 163}, {38, 162}, {39, 160}};
    for (auto r : rows)
        EXPECT_EQ(picture.pixel(0, r.row), qRgb(r.grey, r.grey, r.grey)) << "row " << r.row;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 1; x < picture.width(); ++x)
            ASSERT_EQ(picture.pixel(x, y), picture.pixel(0, y));
        if (y > 0) {
            EXPECT_LT(qRed(picture.pixel(0, y)), qRed(picture.pixel(0, y - 1)));
        }
    }
}

// Checks the column of bar i against the expected picture: cap on capRow, stem on stemRows,
// background everywhere else in the bar's five columns.
void expectBar(const QImage& image, int bar, int capRow, int stemFrom, int stemTo, QRgb cap) {
    const int x0 = 5 * bar;
    for (int y = 0; y < 40; ++y) {
        const bool stem = y >= stemFrom && y <= stemTo;
        EXPECT_EQ(image.pixel(x0, y), stem ? kStem : backgroundAt(y))
            << "bar " << bar << " stem column, row " << y;
        for (int x = x0 + 1; x <= x0 + 4 && x < 104; ++x) {
            EXPECT_EQ(image.pixel(x, y), y == capRow ? cap : backgroundAt(y))
                << "bar " << bar << " cap column " << x << ", row " << y;
        }
    }
}

TEST_F(SpectrumAnalyserTest, DrawsCapsAndStemsAtTheirRows) {
    // Full scale: cap on row 2, stem rows 4..37 with a gap on row 3.
    analyser.feed(uniform(0.072f));
    QImage image = analyser.image();
    ASSERT_EQ(image.size(), QSize(104, 40));
    for (int bar = 0; bar <= 20; ++bar)
        expectBar(image, bar, 2, 4, 37, skin.rgb());

    // A mid-height bar: h = 20 puts the cap on row 18 and the stem on rows 20..37.
    SpectrumAnalyser mid(skin);
    mid.feed(uniform(0.04f));
    expectBar(mid.image(), 3, 18, 20, 37, skin.rgb());
}

TEST_F(SpectrumAnalyserTest, FallenBarsLeaveACapAndAStemDotAtTheBottom) {
    analyser.feed(uniform(0.0f));
    const QImage image = analyser.image();
    for (int bar = 0; bar <= 20; ++bar)
        expectBar(image, bar, 38, 39, 39, skin.rgb());
}

TEST_F(SpectrumAnalyserTest, LeftmostBarIsTheFirstBinAndEachBarItsOwn) {
    std::vector<float> magnitudes(kFftBins, 0.0f);
    magnitudes[0] = 0.0625f;   // 31 px
    magnitudes[20] = 0.03125f; // 15 px, the last bar in view, whose cap is cut by the edge
    analyser.feed(magnitudes);
    const QImage image = analyser.image();
    expectBar(image, 0, 7, 9, 37, skin.rgb());
    expectBar(image, 1, 38, 39, 39, skin.rgb());
    expectBar(image, 20, 23, 25, 37, skin.rgb());
}

TEST_F(SpectrumAnalyserTest, CapsFollowTheSkinColourFromTheNextPicture) {
    analyser.feed(uniform(0.5f));
    EXPECT_EQ(analyser.image().pixel(1, 2), qRgb(0, 255, 0));
    int notices = 0;
    QObject::connect(&analyser, &BoxLogic::changed, [&] { ++notices; });
    skin.setColor(QColor(200, 10, 30));
    // Nothing moves, yet the next tick must still ask for a repaint so the new colour shows.
    analyser.feed(uniform(0.5f));
    EXPECT_EQ(notices, 1);
    EXPECT_EQ(analyser.image().pixel(1, 2), qRgb(200, 10, 30));
    EXPECT_EQ(analyser.image().pixel(0, 10), kStem); // stems keep their own colour
}

TEST_F(SpectrumAnalyserTest, AsksForARepaintOnlyWhenTheLookChanged) {
    int notices = 0;
    QObject::connect(&analyser, &BoxLogic::changed, [&] { ++notices; });
    analyser.feed(uniform(0.05f));
    EXPECT_EQ(notices, 1);
    (void)analyser.image();
    analyser.feed(uniform(0.05f)); // same heights: nothing to repaint
    EXPECT_EQ(notices, 1);
    analyser.feed(uniform(0.0f));
    EXPECT_EQ(notices, 2);
}

TEST_F(SpectrumAnalyserTest, WithoutThePictureTheFrameIsGreyInARedBorder) {
    analyser.setBackground(false);
    analyser.feed(uniform(0.5f));
    const QImage image = analyser.image();
    EXPECT_EQ(image.pixel(103, 20), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(50, 0), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(52, 20), qRgb(128, 128, 128));
    EXPECT_EQ(image.pixel(50, 20), kStem);
    analyser.setBackground(true);
    EXPECT_EQ(analyser.image().pixel(103, 20), backgroundAt(20));
}

TEST_F(SpectrumAnalyserTest, TicksFetchOnlyWhileTheStreamPlaysAndSayWhenTheTimerMayStop) {
    FakeEngine engine;
    engine.files["/music/a.mp3"] = FakeTrack{};
    const StreamHandle h = engine.Create("/music/a.mp3");
    EXPECT_FALSE(analyser.tick(engine, h)) << "nothing plays and nothing moves";
    EXPECT_FALSE(analyser.tick(engine, 0));

    engine.Play(h); // the fake delivers 0.5 in every bin while playing
    EXPECT_TRUE(analyser.tick(engine, h));
    EXPECT_EQ(analyser.levelPx(0), 36);
    EXPECT_TRUE(analyser.tick(engine, h)) << "a playing stream keeps the timer even when bars stand still";

    // Paused: the last data is kept, so loud bars freeze rather than fall.
    engine.Pause(h);
    EXPECT_FALSE(analyser.tick(engine, h));
    EXPECT_EQ(analyser.levelPx(0), 36);

    // A stream that was quiet at the moment it stopped drains, and the timer runs until it has.
    SpectrumAnalyser quiet(skin);
    quiet.feed(uniform(0.06f));
    quiet.feed(uniform(0.01f)); // 29 px now, data below the threshold
    int ticks = 0;
    while (quiet.tick(engine, h))
        ++ticks;
    EXPECT_EQ(ticks, 28);
    EXPECT_EQ(quiet.levelPx(5), 0);
    EXPECT_FALSE(quiet.isMoving());
}

TEST_F(SpectrumAnalyserTest, HintNamesTheBox) {
    EXPECT_EQ(analyser.hint(), QString::fromUtf8("Анализатор"));
}

} // namespace
