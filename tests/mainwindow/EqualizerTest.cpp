#include "PlaybackBoxesRig.h"

#include <gtest/gtest.h>

namespace {
// The gains of the effects on the playing stream, in band order; empty without effects.
std::vector<float> streamGains(const PlaybackRig& rig) {
    std::vector<float> gains;
    for (const auto& [fx, params] : rig.engine.effects)
        gains.push_back(params.gainDb);
    return gains;
}
std::vector<float> flat(float gain) {
    return std::vector<float>(Equalizer::kBands, gain);
}
} // namespace

TEST(Equalizer, AttachSetsCentresBandwidthAndTheStoredGains) {
    PlaybackBoxesRig rig;
    rig.addTrack("a.mp3");
    rig.controller.PlayTrack(0);
    Equalizer& eq = rig.playback.equalizer;
    std::array<int, 11> rows;
    for (int k = 0; k < 11; ++k)
        rows[k] = k * 3; // +15 dB down to -15 dB
    eq.setEqParams(rows);
    eq.switchEq(true);
    ASSERT_EQ(rig.engine.effects.size(), 11u);
    int k = 0;
    for (const auto& [fx, params] : rig.engine.effects) {
        EXPECT_EQ(params.centerHz, Equalizer::kCentresHz[k]) << k;
        EXPECT_EQ(params.bandwidthSemitones, 1.0f);
        EXPECT_EQ(params.gainDb, float(15 - 3 * k)) << k;
        ++k;
    }
    EXPECT_TRUE(eq.EQApplied());
    EXPECT_TRUE(eq.EQEnabled()) << "what the settings save follows the switch";
    eq.switchEq(false);
    EXPECT_TRUE(rig.engine.effects.empty());
    EXPECT_FALSE(eq.EQApplied());
    EXPECT_FALSE(eq.EQEnabled());
}

TEST(EqualizerCurve, PressesAndDragsSetTheBandsUnderThePointer) {
    struct Gesture {
        std::vector<QPoint> points; // a press, then moves with the button held
        std::vector<std::pair<int, float>> gains;
        std::vector<int> untouched;
    } cases[] = {
        {{{5, 0}}, {{0, 15.0f}}, {1}},
        {{{20, 30}}, {{1, -15.0f}, {2, -15.0f}}, {0, 3}}, // a zone border sets both neighbours
        {{{110, 10}}, {{10, 5.0f}}, {9}},
        {{{5, 15}, {35, 5}, {35, -1}, {65, 31}},
         {{0, 0.0f}, {3, 10.0f}},
         {6}},                                     // above/below the box: nothing
        {{{5, 20}, {120, 0}}, {{0, -5.0f}}, {10}}, // right of the box: nothing
    };
    for (const Gesture& g : cases) {
        PlaybackBoxesRig rig;
        rig.addTrack("a.mp3");
        rig.playback.equalizer.switchEq(true);
        rig.controller.PlayTrack(0);
        EqualizerCurve& curve = rig.boxes.curve;
        curve.press(g.points[0], Qt::LeftButton);
        for (size_t i = 1; i < g.points.size(); ++i)
            curve.move(g.points[i], Qt::LeftButton);
        curve.release(g.points.back(), Qt::LeftButton);
        const std::vector<float> gains = streamGains(rig);
        ASSERT_EQ(gains.size(), 11u);
        for (auto [band, gain] : g.gains)
            EXPECT_EQ(gains[band], gain) << "band " << band;
        for (int band : g.untouched)
            EXPECT_EQ(gains[band], 0.0f) << "band " << band;
    }
}

TEST(EqualizerCurve, OnlyTheLeftButtonDrags) {
    PlaybackBoxesRig rig;
    EqualizerCurve& curve = rig.boxes.curve;
    curve.press({5, 3}, Qt::RightButton);
    curve.move({5, 3}, Qt::RightButton);
    EXPECT_EQ(rig.playback.equalizer.EQParams()[0], 15);
    curve.press({5, 3}, Qt::LeftButton);
    curve.release({5, 3}, Qt::LeftButton);
    curve.move({5, 9}, Qt::NoButton);
    EXPECT_EQ(rig.playback.equalizer.EQParams()[0], 3);
}

TEST(Equalizer, TheCurveIsKeptWhileOffAndHeardWhenSwitchedOn) {
    PlaybackBoxesRig rig;
    rig.addTracks(2);
    rig.controller.PlayTrack(0);
    rig.boxes.curve.press({5, 0}, Qt::LeftButton);
    EXPECT_TRUE(streamGains(rig).empty()) << "off: nothing is attached";
    EXPECT_EQ(rig.playback.equalizer.EQParams()[0], 0);

    EqualizerSwitch& on = rig.boxes.eqSwitch;
    on.press({5, 5}, Qt::LeftButton);
    on.release({5, 5}, Qt::LeftButton);
    std::vector<float> expected = flat(0.0f);
    expected[0] = 15.0f;
    EXPECT_EQ(streamGains(rig), expected);

    rig.controller.PlayTrack(1); // a new stream keeps the curve
    EXPECT_EQ(streamGains(rig), expected);
    EXPECT_EQ(rig.engine.effects.size(), 11u) << "the old stream's effects went with it";

    on.press({5, 5}, Qt::LeftButton);
    on.release({5, 5}, Qt::LeftButton);
    rig.controller.PlayTrack(0); // and with the equalizer off it plays flat
    EXPECT_TRUE(streamGains(rig).empty());
}

TEST(Equalizer, DefFlattensTheCurveOnOrOff) {
    PlaybackBoxesRig rig;
    rig.addTrack("a.mp3");
    rig.controller.PlayTrack(0);
    Equalizer& eq = rig.playback.equalizer;
    eq.setEqParams({0, 3, 6, 9, 12, 15, 18, 21, 24, 27, 30});
    EqualizerDefault& def = rig.boxes.eqDefault;
    def.press({3, 3}, Qt::LeftButton);
    EXPECT_TRUE(def.pressed());
    def.release({3, 3}, Qt::LeftButton);
    EXPECT_FALSE(def.pressed());
    for (int row : eq.EQParams())
        EXPECT_EQ(row, 15);
    eq.switchEq(true);
    EXPECT_EQ(streamGains(rig), flat(0.0f));

    eq.setBand(4, 2);
    def.press({3, 3}, Qt::LeftButton);
    EXPECT_EQ(streamGains(rig), flat(0.0f)) << "heard at the press";
}

TEST(Equalizer, SettingsRowsStayOnTheCurveBox) {
    PlaybackBoxesRig rig;
    Equalizer& eq = rig.playback.equalizer;
    eq.setEqParams({-40, 0, 30, 31, 1000, 15, 15, 15, 15, 15, 15});
    const std::array<int, 11> expected = {0, 0, 30, 30, 30, 15, 15, 15, 15, 15, 15};
    EXPECT_EQ(eq.EQParams(), expected);
    eq.setBand(0, 31);
    eq.setBand(11, 3);
    EXPECT_EQ(eq.EQParams(), expected);
}

TEST(EqualizerCurve, PaintsTheCurveOnTheGround) {
    PlaybackBoxesRig rig;
    EqualizerCurve& curve = rig.boxes.curve;
    const QImage& flatImage = curve.image();
    ASSERT_EQ(flatImage.size(), QSize(110, 31));
    for (int x = 0; x < 110; ++x)
        ASSERT_EQ(flatImage.pixel(x, 15), kTestSkin.rgb()) << x;
    EXPECT_EQ(flatImage.pixel(50, 0), qRgb(192, 192, 192));
    EXPECT_EQ(flatImage.pixel(50, 16), qRgb(255, 255, 255));
    EXPECT_EQ(flatImage.pixel(50, 30), qRgb(192, 192, 192));
    EXPECT_EQ(flatImage.pixel(50, 14), qRgb(247, 247, 247)); // 192 + 63 * 14 / 16, truncated

    int changes = 0;
    QObject::connect(&curve, &BoxLogic::changed, [&] { ++changes; });
    curve.press({5, 3}, Qt::LeftButton); // band 0: its point at (10, 3), flat from x 0
    curve.release({5, 3}, Qt::LeftButton);
    EXPECT_GT(changes, 0);
    const QImage& image = curve.image();
    for (int x = 0; x <= 10; ++x)
        EXPECT_EQ(image.pixel(x, 3), kTestSkin.rgb()) << x;
    EXPECT_EQ(image.pixel(20, 15), kTestSkin.rgb()) << "band 1's point";
    EXPECT_NE(image.pixel(5, 15), kTestSkin.rgb());
    // The slope from (10, 3) to (20, 15) leaves no gap: every row between has a curve pixel.
    for (int y = 3; y <= 15; ++y) {
        bool found = false;
        for (int x = 10; x <= 20; ++x)
            found = found || image.pixel(x, y) == kTestSkin.rgb();
        EXPECT_TRUE(found) << y;
    }
}

TEST(EqualizerSwitch, OutlineShowsTheStateAndLightsGreenWhileHeld) {
    PlaybackBoxesRig rig;
    EqualizerSwitch& on = rig.boxes.eqSwitch;
    const QRgb green = qRgb(72, 194, 41), orange = qRgb(245, 95, 3);
    const auto outline = [&](QRgb color) {
        const QImage& image = on.image();
        for (auto [x, y] : {std::pair{0, 0}, {22, 0}, {0, 12}, {22, 12}, {11, 0}, {11, 12}, {0, 6}, {22, 6}})
            EXPECT_EQ(image.pixel(x, y), color) << x << "," << y;
        EXPECT_EQ(image.pixel(1, 1), qRgb(192, 192, 192));
        int white = 0;
        for (int y = 1; y < 12; ++y)
            for (int x = 4; x < 22; ++x)
                white += image.pixel(x, y) == qRgb(255, 255, 255);
        EXPECT_GT(white, 4) << "the white label";
    };
    outline(orange);
    on.press({5, 5}, Qt::LeftButton);
    outline(green);
    EXPECT_TRUE(rig.playback.equalizer.EQApplied());
    on.release({5, 5}, Qt::LeftButton);
    outline(green);
    on.press({5, 5}, Qt::LeftButton);
    outline(green) /* held: green although switching off */;
    on.release({5, 5}, Qt::LeftButton);
    outline(orange);
    EXPECT_FALSE(rig.playback.equalizer.EQEnabled());
    EXPECT_EQ(on.hint(), QStringLiteral("Вкл./Выкл."));
}

TEST(EqualizerDefault, LabelIsLitWhileHeld) {
    PlaybackBoxesRig rig;
    EqualizerDefault& def = rig.boxes.eqDefault;
    const auto skinPixels = [&] {
        const QImage& image = def.image();
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += image.pixel(x, y) == kTestSkin.rgb();
        return n;
    };
    EXPECT_EQ(skinPixels(), 0);
    EXPECT_EQ(def.image().pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(def.image().pixel(22, 12), qRgb(255, 255, 255));
    EXPECT_EQ(def.image().pixel(1, 1), qRgb(192, 192, 192));
    def.press({3, 3}, Qt::LeftButton);
    EXPECT_GT(skinPixels(), 4);
    def.release({3, 3}, Qt::LeftButton);
    EXPECT_EQ(skinPixels(), 0);
    EXPECT_EQ(def.hint(), QStringLiteral("Насиройки по умолчанию"));
}
