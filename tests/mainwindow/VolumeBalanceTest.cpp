#include "BalanceZones.h"
#include "PlaybackBoxesRig.h"

#include <gtest/gtest.h>

namespace {
std::string lastCall(const FakeEngine& engine, const std::string& prefix) {
    for (auto it = engine.calls.rbegin(); it != engine.calls.rend(); ++it)
        if (it->starts_with(prefix)) return *it;
    return {};
}
} // namespace

TEST(VolumeBar, PressDragAndWheelSendThePercentAtOnceAndAPaintSendsNothing) {
    struct Step {
        enum { Press, Drag, Wheel } kind;
        int x;
    };
    struct Case {
        int startPos;
        std::vector<Step> steps;
        int volPos, percent;
    } cases[] = {
        {50, {{Step::Press, 110}}, 104, 100},
        {50, {{Step::Press, 2}}, 4, 0}, // never a negative volume
        {50, {{Step::Press, 79}}, 79, 75},
        {50,
         {{Step::Press, 60}, {Step::Drag, 30}, {Step::Drag, 120}, {Step::Drag, 0}},
         30,
         26}, // past the ends
        {104, {{Step::Wheel, 120}}, 104, 100},
        {4, {{Step::Wheel, -120}}, 4, 0},
        {50, {{Step::Wheel, 120}, {Step::Wheel, 120}, {Step::Wheel, -120}}, 51, 47},
        {50, {{Step::Wheel, 60}, {Step::Wheel, 60}}, 51, 47}, // half notches add up
        {300, {}, 104, 100},                                  // a settings file's out-of-range value
    };
    for (const Case& c : cases) {
        PlaybackBoxesRig rig;
        VolumeBar& bar = rig.boxes.volume;
        rig.engine.clearCalls();
        bar.setVolPos(c.startPos);
        for (const Step& s : c.steps) {
            if (s.kind == Step::Press) bar.press({s.x, 4}, Qt::LeftButton);
            if (s.kind == Step::Drag) bar.move({s.x, 4}, Qt::LeftButton);
            if (s.kind == Step::Wheel) bar.wheel({0, 0}, s.x);
        }
        bar.release({0, 0}, Qt::LeftButton);
        EXPECT_EQ(bar.VolPos(), c.volPos) << c.startPos;
        EXPECT_EQ(lastCall(rig.engine, "SetVolume"), "SetVolume 0 " + std::to_string(c.percent))
            << c.startPos;
        rig.engine.clearCalls();
        (void)bar.image();
        EXPECT_TRUE(rig.engine.calls.empty()) << "a paint has no effect on the sound";
    }
}

TEST(VolumeBar, MovingWithoutAPressOnlyUpdatesTheHint) {
    PlaybackBoxesRig rig;
    VolumeBar& bar = rig.boxes.volume;
    EXPECT_EQ(bar.hint(), QStringLiteral("Громкость"));
    bar.setVolPos(79);
    int changes = 0;
    QObject::connect(&bar, &BoxLogic::changed, [&] { ++changes; });
    bar.move({20, 4}, Qt::NoButton);
    EXPECT_EQ(bar.hint(), QStringLiteral("Громкость: 75%"));
    EXPECT_EQ(bar.VolPos(), 79);
    EXPECT_EQ(changes, 0);
    bar.press({20, 4}, Qt::RightButton);
    EXPECT_FALSE(bar.dragging());
    bar.press({20, 4}, Qt::LeftButton);
    bar.move({40, 4}, Qt::LeftButton);
    EXPECT_EQ(bar.hint(), QStringLiteral("Громкость: 16%")) << "the hint tells the value before the move";
    EXPECT_EQ(bar.VolPos(), 40);
}

TEST(VolumeBar, ANewStreamStartsAtTheBarsValueAndPan) {
    PlaybackBoxesRig rig;
    rig.addTrack("a.mp3");
    rig.boxes.volume.setVolPos(79);
    rig.boxes.balance.setBalance(-0.4f, 30);
    rig.controller.PlayTrack(0);
    const StreamHandle h = rig.controller.Channel();
    EXPECT_EQ(rig.engine.streams.at(h).volume, 75);
    EXPECT_FLOAT_EQ(rig.engine.streams.at(h).pan, -0.4f);
}

TEST(VolumeBar, PaintsAGradientAndTheMarker) {
    PlaybackBoxesRig rig;
    VolumeBar& bar = rig.boxes.volume;
    bar.setVolPos(54);
    const QImage& image = bar.image();
    ASSERT_EQ(image.size(), QSize(115, 8));
    for (int x : {0, 30, 114}) {
        EXPECT_EQ(image.pixel(x, 0), qRgb(255, 255, 255)) << x;
        EXPECT_EQ(image.pixel(x, 4), qRgb(192, 192, 192)) << x;
        EXPECT_EQ(image.pixel(x, 7), qRgb(255, 255, 255)) << x;
    }
    for (int x = 55; x <= 58; ++x)
        for (int y = 1; y <= 5; ++y)
            EXPECT_EQ(image.pixel(x, y), kTestSkin.rgb()) << x << "," << y;
    EXPECT_NE(image.pixel(54, 3), kTestSkin.rgb());
    EXPECT_NE(image.pixel(59, 3), kTestSkin.rgb());
}

TEST(BalanceZones, PressAndDragTables) {
    struct Case {
        int x;
        float press, drag;
        int marker;
    } cases[] = {
        {0, -1.0f, -1.0f, 0},   {4, -1.0f, -1.0f, 4}, {5, -0.9f, -0.9f, 5}, {27, -0.5f, -0.5f, 27},
        {49, -0.1f, -0.1f, 49}, {50, 0.0f, 0.0f, 48}, {55, 0.0f, 0.0f, 48}, {56, 0.1f, 0.1f, 56},
        {64, 0.2f, 0.2f, 64},   {79, 0.5f, 0.5f, 79}, {82, 0.6f, 0.7f, 82}, {88, 0.7f, 0.9f, 88},
        {92, 0.7f, 0.9f, 92},   {97, 0.8f, 1.0f, 97}, {98, 0.8f, 1.0f, 98},
    };
    for (const Case& c : cases) {
        auto pressed = BalanceForX(c.x, false), dragged = BalanceForX(c.x, true);
        ASSERT_TRUE(pressed && dragged) << c.x;
        EXPECT_EQ(pressed->pan, c.press) << c.x;
        EXPECT_EQ(dragged->pan, c.drag) << c.x;
        EXPECT_EQ(pressed->markerX, c.marker) << c.x;
    }
    for (int x : {-1, 99, 104})
        EXPECT_FALSE(BalanceForX(x, false)) << x;
}

TEST(BalanceZones, TextsInTheLocalesNotation) {
    const QLocale comma(QLocale::German), dot(QLocale::C);
    EXPECT_EQ(BalanceText(0.1f, comma), QStringLiteral("0,100000001490116"));
    EXPECT_EQ(BalanceText(0.1f, dot), QStringLiteral("0.100000001490116"));
    EXPECT_EQ(BalanceText(-1.0f, comma), QStringLiteral("-1"));
    EXPECT_EQ(BalanceText(0.5f, comma), QStringLiteral("0,5"));
    const std::pair<float, const char*> hints[] = {
        {0.0f, "0"},     {-0.0f, "0"},   {1.0f, "1"},      {-1.0f, "-1"},  {0.5f, "0,5"},
        {-0.5f, "-0,5"}, {0.1f, "0,10"}, {-0.2f, "-0,20"}, {0.3f, "0,30"}, {0.4f, "0,40"},
        {0.6f, "0,60"},  {0.7f, "0,69"}, {0.9f, "0,89"},
    };
    for (auto [pan, text] : hints)
        EXPECT_EQ(BalanceHintNumber(pan, comma), QString::fromLatin1(text)) << pan;
    EXPECT_EQ(BalanceHintNumber(0.7f, dot), QStringLiteral("0.69"));
}

TEST(BalanceBar, PressDragAndRightClick) {
    PlaybackBoxesRig rig;
    BalanceBar& bar = rig.boxes.balance;
    int changes = 0;
    QObject::connect(&bar, &BoxLogic::changed, [&] { ++changes; });

    bar.press({100, 4}, Qt::LeftButton); // beside the zones: nothing moves, but the drag starts
    EXPECT_TRUE(bar.dragging());
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(bar.BalPos(), 48);
    bar.move({20, 4}, Qt::LeftButton);
    EXPECT_EQ(bar.BalValue(), -0.6f);
    EXPECT_EQ(bar.BalPos(), 20);
    bar.move({97, 4}, Qt::LeftButton);
    EXPECT_EQ(bar.BalValue(), 1.0f);
    bar.move({120, 4}, Qt::LeftButton);
    EXPECT_EQ(bar.BalValue(), 1.0f) << "past the bar the value stays";
    bar.release({120, 4}, Qt::LeftButton);
    EXPECT_FALSE(bar.dragging());
    bar.move({20, 4}, Qt::NoButton);
    EXPECT_EQ(bar.BalValue(), 1.0f);
    EXPECT_EQ(bar.hint().left(8), QStringLiteral("Баланс: "));
    EXPECT_EQ(bar.hint().mid(8), BalanceHintNumber(1.0f));

    bar.press({97, 4}, Qt::LeftButton);
    EXPECT_EQ(bar.BalValue(), 0.8f);
    bar.press({30, 4}, Qt::RightButton);
    EXPECT_FALSE(bar.dragging());
    bar.move({30, 4}, Qt::LeftButton);
    EXPECT_EQ(bar.BalValue(), 0.8f);

    bar.press({52, 4}, Qt::LeftButton);
    EXPECT_EQ(bar.BalValue(), 0.0f);
    EXPECT_EQ(bar.BalPos(), 48);
}

TEST(BalanceBar, APressSendsThePanAndThePaintDrawsTheMarker) {
    PlaybackBoxesRig rig;
    rig.addTrack("a.mp3");
    rig.controller.PlayTrack(0);
    BalanceBar& bar = rig.boxes.balance;
    bar.press({82, 4}, Qt::LeftButton);
    EXPECT_FLOAT_EQ(rig.engine.streams.at(1).pan, 0.6f);
    rig.engine.clearCalls();
    const QImage& image = bar.image();
    EXPECT_TRUE(rig.engine.calls.empty()) << "a paint has no effect on the sound";
    ASSERT_EQ(image.size(), QSize(105, 8));
    EXPECT_EQ(image.pixel(10, 0), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(10, 4), qRgb(192, 192, 192));
    // An empty box: its outline in SkinColor, its inside left as the ground.
    EXPECT_EQ(image.pixel(83, 1), kTestSkin.rgb());
    EXPECT_EQ(image.pixel(86, 5), kTestSkin.rgb());
    EXPECT_EQ(image.pixel(84, 3), qRgb(207, 207, 207)); // the ground: 255 + (192 - 255) * 3 / 4, truncated
}

TEST(BalanceBar, SettingsValuesAreKeptOnTheBar) {
    PlaybackBoxesRig rig;
    BalanceBar& bar = rig.boxes.balance;
    bar.setBalance(7.5f, 400);
    EXPECT_EQ(bar.BalValue(), 1.0f);
    EXPECT_EQ(bar.BalPos(), 98);
    bar.setBalance(std::nanf(""), -3);
    EXPECT_EQ(bar.BalValue(), 0.0f);
    EXPECT_EQ(bar.BalPos(), 0);
    bar.setBalance(-0.3f, 35);
    EXPECT_EQ(bar.BalText(), BalanceText(-0.3f));
}
