#include "DotLine.h"
#include "LineStepper.h"
#include "PaintGradient.h"
#include "PlaybackBoxesRig.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {
constexpr std::int64_t kBytesPerSecond = 44100 * 4;

bool isSkin(const QImage& image, int x, int y) {
    return image.pixel(x, y) == kTestSkin.rgb();
}
// Where two pictures differ first, for a readable failure.
std::string firstDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return "sizes differ";
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return "at " + std::to_string(x) + "," + std::to_string(y) + ": " +
                       std::to_string(a.pixel(x, y)) + " vs " + std::to_string(b.pixel(x, y));
    return "same";
}
int countSkinOnRows(const QImage& image, int fromY, int toY) {
    int n = 0;
    for (int y = fromY; y <= toY; ++y)
        for (int x = 0; x < image.width(); ++x)
            n += isSkin(image, x, y);
    return n;
}
} // namespace

TEST(SeekBar, APointerMapsToBytesWith64BitsAndIsClampedToTheBar) {
    PlaybackBoxesRig rig;
    rig.addTrack("long.mp3", FakeTrack{.lengthSeconds = 5 * 3600});
    rig.controller.PlayTrack(0);
    const std::int64_t bpp = rig.playback.state.BytesPerPixel;
    ASSERT_EQ(bpp, 5LL * 3600 * kBytesPerSecond / 302);
    const std::pair<int, std::int64_t> cases[] = {
        {-40, 0}, {0, 0}, {1, bpp}, {151, 151 * bpp}, {301, 301 * bpp}, {302, 302 * bpp}, {5000, 302 * bpp},
    };
    for (auto [x, bytes] : cases)
        EXPECT_EQ(rig.boxes.seekBar.PositionForX(x), bytes) << x;
    EXPECT_GT(rig.boxes.seekBar.PositionForX(250), std::int64_t(1) << 31) << "past what 32 bits can hold";
}

TEST(SeekBar, ClickAndDragSeekAtTheRelease) {
    PlaybackBoxesRig rig;
    rig.addTrack("long.mp3", FakeTrack{.lengthSeconds = 5 * 3600});
    rig.controller.PlayTrack(0);
    SeekBar& bar = rig.boxes.seekBar;
    const std::int64_t bpp = rig.playback.state.BytesPerPixel;
    const std::string h = std::to_string(rig.controller.Channel());

    rig.engine.clearCalls();
    bar.press({200, 5}, Qt::LeftButton);
    bar.release({200, 5}, Qt::LeftButton);
    EXPECT_EQ(rig.engine.calls,
              (std::vector<std::string>{"SetPosition " + h + " " + std::to_string(200 * bpp)}));
    EXPECT_EQ(rig.engine.position, 200 * bpp);

    rig.engine.clearCalls();
    bar.press({10, 5}, Qt::LeftButton);
    EXPECT_TRUE(bar.SeekDragging());
    bar.move({50, 5}, Qt::LeftButton);
    bar.move({400, 30}, Qt::LeftButton); // the pointer is captured and leaves the bar
    EXPECT_EQ(bar.SeekPos(), 302 * bpp);
    EXPECT_TRUE(rig.engine.calls.empty()) << "a drag does not seek until the release";
    bar.release({-20, 30}, Qt::LeftButton);
    EXPECT_EQ(rig.engine.calls, (std::vector<std::string>{"SetPosition " + h + " 0"}));
    EXPECT_FALSE(bar.SeekDragging());

    rig.engine.clearCalls();
    bar.press({10, 5}, Qt::RightButton);
    bar.release({10, 5}, Qt::RightButton);
    EXPECT_FALSE(bar.SeekDragging());
    EXPECT_TRUE(rig.engine.calls.empty());
}

TEST(SeekBar, WithoutAStreamNothingSeeksAndAPausedOneSeeksWithTheDisplaysFollowing) {
    PlaybackBoxesRig rig;
    rig.addTrack("a.mp3", FakeTrack{.lengthSeconds = 302});
    SeekBar& bar = rig.boxes.seekBar;
    bar.press({100, 5}, Qt::LeftButton);
    EXPECT_FALSE(bar.SeekDragging());
    bar.release({100, 5}, Qt::LeftButton);
    EXPECT_TRUE(rig.engine.calls.empty());

    rig.controller.PlayTrack(0);
    rig.controller.pause();
    const QString timeBefore = rig.boxes.time.text();
    rig.engine.clearCalls();
    bar.press({10, 5}, Qt::LeftButton);
    EXPECT_TRUE(bar.SeekDragging());
    bar.release({200, 5}, Qt::LeftButton);
    EXPECT_EQ(rig.engine.calls,
              (std::vector<std::string>{"SetPosition " + std::to_string(rig.controller.Channel()) + " " +
                                        std::to_string(200 * rig.playback.state.BytesPerPixel)}));
    EXPECT_FALSE(bar.tick()) << "the position timer still draws nothing for a paused stream";
    EXPECT_TRUE(isSkin(bar.image(), 199, 5)) << "the line reaches the new place at once";
    EXPECT_NE(rig.boxes.time.text(), timeBefore);

    // Play goes on from there rather than starting the track again.
    rig.engine.clearCalls();
    rig.controller.play();
    EXPECT_EQ(rig.engine.calls,
              (std::vector<std::string>{"Play " + std::to_string(rig.controller.Channel())}));
    EXPECT_EQ(rig.engine.position, 200 * rig.playback.state.BytesPerPixel);

    rig.controller.stop();
    rig.engine.clearCalls();
    bar.press({100, 5}, Qt::LeftButton);
    bar.release({100, 5}, Qt::LeftButton);
    EXPECT_TRUE(rig.engine.calls.empty()) << "a stopped player has nothing to seek";
}

TEST(SeekBar, ProgressIsADottedLineWhosePhaseCarriesOn) {
    PlaybackBoxesRig rig;
    rig.addTrack("a.mp3", FakeTrack{.lengthSeconds = 302});
    rig.controller.PlayTrack(0);
    SeekBar& bar = rig.boxes.seekBar;
    const std::int64_t bpp = rig.playback.state.BytesPerPixel;

    bar.setDotCounter(0);
    rig.engine.position = 100 * bpp;
    ASSERT_TRUE(bar.tick());
    const QImage& image = bar.image();
    EXPECT_EQ(bar.DotCounter(), 101) << "points 0..99 and the head";
    // Ground: white at the top, silver at the bottom row, beyond the line's reach.
    EXPECT_EQ(image.pixel(250, 0), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(250, 9), qRgb(192, 192, 192));
    EXPECT_EQ(countSkinOnRows(image, 0, 3) + countSkinOnRows(image, 7, 9), 0)
        << "the line stays on rows 4..6";
    // Points 0..4 are dots (arms of the skin colour around a grey centre), 5..9 single grey pixels.
    EXPECT_TRUE(isSkin(image, 2, 4));
    EXPECT_TRUE(isSkin(image, 2, 6));
    EXPECT_EQ(image.pixel(7, 5), qRgb(128, 128, 128));
    EXPECT_FALSE(isSkin(image, 7, 4));
    // The head at x 100 falls on phase 0: a dot whose right arm sticks out past the line.
    EXPECT_TRUE(isSkin(image, 100, 4));
    EXPECT_TRUE(isSkin(image, 101, 5));
    EXPECT_FALSE(isSkin(image, 103, 4));

    EXPECT_TRUE(isSkin(image, 4, 4));
    EXPECT_FALSE(isSkin(image, 9, 4));

    // The next tick goes on from phase 101: the runs of dots shift by one point.
    ASSERT_TRUE(bar.tick());
    EXPECT_EQ(bar.DotCounter(), 202);
    EXPECT_FALSE(isSkin(bar.image(), 4, 4));
    EXPECT_TRUE(isSkin(bar.image(), 9, 4));
}

TEST(SeekBar, ProgressEqualsTheLineDrawnPointByPoint) {
    PlaybackBoxesRig rig;
    rig.addTrack("a.mp3", FakeTrack{.lengthSeconds = 302});
    rig.controller.PlayTrack(0);
    SeekBar& bar = rig.boxes.seekBar;
    const std::int64_t bpp = rig.playback.state.BytesPerPixel;
    QImage empty(302, 10, QImage::Format_RGB32);
    {
        QPainter painter(&empty);
        PaintGradient(painter, empty.rect(), false, {QColor(255, 255, 255), QColor(192, 192, 192)});
    }
    for (bool dragging : {false, true}) {
        if (dragging) bar.press({1, 5}, Qt::LeftButton);
        for (int x : {0, 1, 2, 3, 7, 150, 300, 301, 302, 303}) {
            for (std::int32_t counter : {0, 3, 9, -7, 2147483646}) {
                QImage expected(302, 10, QImage::Format_RGB32);
                QPainter painter(&expected);
                PaintGradient(painter, expected.rect(), false,
                              {QColor(255, 255, 255), QColor(192, 192, 192)});
                painter.end();
                std::int32_t counterAfter = counter;
                const QRgb skin = kTestSkin.rgb();
                StepLine(0, 5, x, 5,
                         [&](int px, int py) { DotLineProc(px, py, expected, skin, counterAfter); });
                if (!dragging) DotLineProc(x, 5, expected, skin, counterAfter);

                bar.setDotCounter(counter);
                rig.engine.position = x * bpp;
                ASSERT_TRUE(bar.tick());
                EXPECT_EQ(bar.DotCounter(), counterAfter) << x << " from " << counter;
                EXPECT_EQ(firstDifference(bar.image(), expected), "same")
                    << x << " from " << counter << (dragging ? " dragging" : "");
                // Only the rows the tick reports as changed differ from the empty bar (the picture
                // before it, outside them): the screen takes no others.
                const RowSpan changed = bar.changedRows();
                for (int y = 0; y < expected.height(); ++y) {
                    if (y >= changed.first && y < changed.first + changed.count) continue;
                    ASSERT_EQ(std::memcmp(expected.constScanLine(y), empty.constScanLine(y),
                                          std::size_t(expected.bytesPerLine())),
                              0)
                        << "row " << y << " at " << x;
                }
            }
        }
    }
    rig.skin.setColor(QColor(250, 0, 0)); // the prepared line follows the skin colour
    bar.setDotCounter(0);
    bar.DrawProgress(10 * bpp);
    EXPECT_EQ(bar.image().pixel(2, 4), qRgb(250, 0, 0));
}

TEST(SeekBar, DraggingLeavesOutTheHeadDot) {
    PlaybackBoxesRig rig;
    rig.addTrack("a.mp3", FakeTrack{.lengthSeconds = 302});
    rig.controller.PlayTrack(0);
    SeekBar& bar = rig.boxes.seekBar;
    bar.setDotCounter(0);
    rig.engine.position = 100 * rig.playback.state.BytesPerPixel;
    bar.press({20, 5}, Qt::LeftButton);
    ASSERT_TRUE(bar.tick());
    EXPECT_EQ(bar.DotCounter(), 100);
    EXPECT_FALSE(isSkin(bar.image(), 100, 4));
    EXPECT_FALSE(isSkin(bar.image(), 101, 5));
}

TEST(SeekBar, TheLineReachesTheEndOnlyForStreamsOfSixSecondsOrMore) {
    const QRgb groundRow5 = qRgb(220, 220, 220); // 255 + (192 - 255) * 5 / 9, truncated
    struct Case {
        std::int64_t seconds;
        int lastLineX;
    } cases[] = {{302, 301}, {6, 301}, {2, 99}};
    for (const Case& c : cases) {
        PlaybackBoxesRig rig;
        rig.addTrack("a.mp3", FakeTrack{.lengthSeconds = c.seconds});
        rig.controller.PlayTrack(0);
        rig.engine.position = c.seconds * kBytesPerSecond;
        ASSERT_TRUE(rig.boxes.seekBar.tick());
        const QImage& image = rig.boxes.seekBar.image();
        EXPECT_NE(image.pixel(c.lastLineX, 5), groundRow5) << c.seconds;
        if (c.lastLineX + 3 < SeekBar::kWidth) {
            EXPECT_EQ(image.pixel(c.lastLineX + 3, 5), groundRow5) << c.seconds;
        }
    }
}

TEST(SeekBar, ABogusPositionDrawsAtMostOneBarOfPoints) {
    PlaybackBoxesRig rig;
    rig.addTrack("a.mp3", FakeTrack{.lengthSeconds = 302});
    rig.controller.PlayTrack(0);
    rig.boxes.seekBar.setDotCounter(0);
    rig.engine.position = std::int64_t(1) << 60;
    ASSERT_TRUE(rig.boxes.seekBar.tick());
    EXPECT_EQ(rig.boxes.seekBar.DotCounter(), 304);
}

TEST(SeekBar, StopShowsTheEmptyBar) {
    PlaybackBoxesRig rig;
    rig.addTrack("a.mp3", FakeTrack{.lengthSeconds = 302});
    rig.controller.PlayTrack(0);
    rig.engine.position = 150 * rig.playback.state.BytesPerPixel;
    ASSERT_TRUE(rig.boxes.seekBar.tick());
    ASSERT_GT(countSkinOnRows(rig.boxes.seekBar.image(), 4, 6), 0);
    rig.controller.stop();
    const QImage& image = rig.boxes.seekBar.image();
    EXPECT_EQ(countSkinOnRows(image, 0, 9), 0);
    for (int x : {0, 150, 301})
        EXPECT_EQ(image.pixel(x, 5), qRgb(220, 220, 220)) << x;
}

TEST(TimeDisplay, ShowsElapsedOrRemainingTime) {
    struct Case {
        std::int64_t lengthSeconds, positionSeconds;
        int mode;
        const char* text;
    } cases[] = {
        {7200, 0, 0, "-02:00:00"}, {7200, 70 * 60 + 5, 1, "01:10:05"}, {200, 59, 1, "00:59"},
        {200, 59, 0, "-02:21"},    {400000, 0, 0, "-111:06:40"},
    };
    for (const Case& c : cases) {
        PlaybackBoxesRig rig;
        rig.addTrack("a.mp3", FakeTrack{.lengthSeconds = c.lengthSeconds});
        rig.controller.PlayTrack(0);
        rig.engine.position = c.positionSeconds * kBytesPerSecond;
        rig.boxes.time.setTimeMode(c.mode);
        EXPECT_EQ(rig.boxes.time.text(), QString::fromLatin1(c.text));
    }
}

TEST(TimeDisplay, AClickSwitchesTheModeAndItsPlace) {
    PlaybackBoxesRig rig;
    TimeDisplay& time = rig.boxes.time;
    // Ink in the first columns only in remaining mode, where "-" stands at x 0; elapsed text starts at 6.
    const auto inkLeftOf6 = [](const QImage& image) {
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < 6; ++x)
                if (qAlpha(image.pixel(x, y)) != 0) return true;
        return false;
    };
    EXPECT_EQ(time.text(), QStringLiteral("-00:00"));
    EXPECT_TRUE(inkLeftOf6(time.image()));
    int changes = 0;
    QObject::connect(&time, &BoxLogic::changed, [&] { ++changes; });
    time.press({10, 10}, Qt::RightButton);
    EXPECT_EQ(time.TimeMode(), 0);
    time.press({10, 10}, Qt::LeftButton);
    EXPECT_EQ(time.TimeMode(), 1);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(time.text(), QStringLiteral("00:00"));
    const QImage& image = time.image();
    EXPECT_FALSE(inkLeftOf6(image));
    bool inked = false;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 6; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) == 255) {
                inked = true;
                EXPECT_EQ(image.pixel(x, y), kTestSkin.rgb()) << x << "," << y;
            }
    EXPECT_TRUE(inked);
}

TEST(PlaybackBoxes, PositionTimerAndStopDriveSeekBarAndTime) {
    PlaybackBoxesRig rig;
    rig.addTrack("a.mp3", FakeTrack{.lengthSeconds = 302});
    rig.boxes.time.setTimeMode(1);
    rig.controller.PlayTrack(0);
    int seekChanges = 0, timeChanges = 0;
    QObject::connect(&rig.boxes.seekBar, &BoxLogic::changed, [&] { ++seekChanges; });
    QObject::connect(&rig.boxes.time, &BoxLogic::changed, [&] { ++timeChanges; });
    (void)rig.boxes.time.image();
    rig.engine.position = 5 * 44100 * 4;
    rig.controller.positionTick();
    EXPECT_EQ(seekChanges, 1);
    EXPECT_EQ(timeChanges, 1);
    EXPECT_EQ(rig.boxes.time.text(), QStringLiteral("00:05"));
    (void)rig.boxes.time.image();
    rig.controller.positionTick();
    EXPECT_EQ(seekChanges, 2);
    EXPECT_EQ(timeChanges, 1) << "the same second needs no repaint of the time";

    rig.controller.pause();
    rig.controller.positionTick();
    EXPECT_EQ(seekChanges, 2) << "a paused stream leaves the displays as they were";

    rig.controller.stop();
    EXPECT_EQ(rig.boxes.seekBar.SeekPos(), 0);
    EXPECT_EQ(rig.boxes.time.text(), QStringLiteral("00:00"));
}
