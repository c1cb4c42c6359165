#include "InfoWindow.h"
#include "InfoPanel.h"

#include "PlaybackRig.h"
#include "Skin.h"
#include "SkinFont.h"
#include "SkinFonts.h"

#include <QFontMetrics>
#include <gtest/gtest.h>

namespace {
class SkinFonts : public ::testing::Environment {
    void SetUp() override { RegisterSkinFonts(QString()); }
};
const auto* const kFonts = ::testing::AddGlobalTestEnvironment(new SkinFonts);

const QRgb kWhiteRgb = qRgb(255, 255, 255), kGreenRgb = qRgb(0, 128, 0), kRedRgb = qRgb(255, 0, 0);

// Pixels of `colour` in `area`, and the leftmost and rightmost column holding one.
struct Ink {
    int count = 0, left = 10000, right = -1;
};
Ink InkOf(const QImage& image, const QRect& area, QRgb colour) {
    Ink ink;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if ((image.pixel(x, y) | 0xff000000u) == colour) {
                ++ink.count;
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
            }
    return ink;
}
// Where a tag's letters start on its line: after the label and its space.
int AfterLabel(const char* label) {
    return 5 + QFontMetrics(SkinFont(8)).horizontalAdvance(QString::fromUtf8(label));
}
const QRect kGreenLine{0, 110, 322, 15}, kHeading{0, 0, 300, 19};
} // namespace

TEST(InfoPanelLook, TaggedAndUntaggedTrackAtTheirPlaces) {
    InfoPanel panel;
    InfoContent tagged{.artist = QString(60, 'W'),
                       .title = "T",
                       .album = "A",
                       .genre = "G",
                       .track = "7",
                       .year = "1999",
                       .comment = "C",
                       .codecText = "MP3",
                       .bitrateText = "320 kbps",
                       .frequencyText = "44 KHz",
                       .skin = QColor(13, 90, 219)};
    const QImage image = panel.paint(tagged);
    ASSERT_EQ(image.size(), QSize(322, 129));
    // The six-stop ground, at the column no text reaches: white, silver, grey, grey, silver, white.
    const QRgb ground[][2] = {{0, kWhiteRgb},
                              {26, qRgb(192, 192, 192)},
                              {52, qRgb(128, 128, 128)},
                              {78, qRgb(128, 128, 128)},
                              {104, qRgb(192, 192, 192)},
                              {128, kWhiteRgb}};
    for (const auto& [row, colour] : ground)
        EXPECT_EQ(image.pixel(319, int(row)) | 0xff000000u, colour) << row;
    EXPECT_GT(InkOf(image, kHeading, qRgb(13, 90, 219)).count, 40) << "the heading is in the skin colour";
    // A tag wider than 220 pixels is cut to fit; the dots may stand out by their own width.
    const Ink artist =
        InkOf(image, {AfterLabel("Артист: "), 20, 322 - AfterLabel("Артист: "), 14}, kWhiteRgb);
    EXPECT_GT(artist.right, AfterLabel("Артист: ") + 150);
    EXPECT_LT(artist.right, AfterLabel("Артист: ") + 220 + 12);
    const Ink line = InkOf(image, kGreenLine, kGreenRgb);
    EXPECT_LE(line.left, 7) << "the codec opens the green line";
    EXPECT_GT(InkOf(image, InfoPanel::kCloseBox, kRedRgb).count, 3) << "the close box's x is red at rest";

    // A file without tags or a codec of the table: labels with nothing after them, and the green
    // line starting with its three spaces.
    const QImage bare = panel.paint({.bitrateText = "0 kbps", .frequencyText = "22 KHz", .skin = Qt::red});
    EXPECT_GT(InkOf(bare, {0, 20, AfterLabel("Артист:"), 14}, kWhiteRgb).count, 20) << "the label stays";
    EXPECT_EQ(InkOf(bare, {AfterLabel("Артист: "), 20, 200, 14}, kWhiteRgb).count, 0);
    EXPECT_GE(InkOf(bare, kGreenLine, kGreenRgb).left, AfterLabel("   "));
    EXPECT_EQ(InkOf(bare, kHeading, qRgb(13, 90, 219)).count, 0);
    EXPECT_GT(InkOf(bare, kHeading, kRedRgb).count, 40) << "the heading follows the colour it is given";
}

TEST(InfoPanelBehaviour, CloseBoxActsOnAReleaseInsideAndEverywhereElseALeftPressDrags) {
    InfoPanel panel;
    int closes = 0;
    QObject::connect(&panel, &InfoPanel::closeClicked, [&] { ++closes; });
    const QPoint onBox = InfoPanel::kCloseBox.topLeft() + QPoint(5, 5);
    EXPECT_FALSE(panel.press(onBox, Qt::LeftButton)) << "the close box is no place to drag from";
    EXPECT_TRUE(panel.closePressed());
    EXPECT_EQ(InkOf(panel.paint({}), InfoPanel::kCloseBox, kRedRgb).count, 0) << "the pressed x is grey";
    panel.release(onBox + QPoint(7, 0), Qt::LeftButton); // slid off to the right
    EXPECT_FALSE(panel.closePressed());
    EXPECT_EQ(closes, 0);
    // Both far edges of the box still count.
    panel.press(onBox, Qt::LeftButton);
    panel.release(InfoPanel::kCloseBox.topLeft() + QPoint(11, 12), Qt::LeftButton);
    EXPECT_EQ(closes, 1);

    EXPECT_TRUE(panel.press({100, 60}, Qt::LeftButton));
    panel.release(onBox, Qt::LeftButton); // a drag that ends over the box closes nothing
    EXPECT_FALSE(panel.press({100, 60}, Qt::RightButton));
    EXPECT_FALSE(panel.press(onBox, Qt::RightButton));
    EXPECT_FALSE(panel.closePressed());
    EXPECT_EQ(closes, 1);
}

TEST(InfoWindowFollow, OpensOnAStreamAndRepaintsAtOnceForTheNextTrackAndTheStop) {
    PlaybackRig rig;
    const Skin skin{QColor(13, 90, 219)};
    rig.addTrack("a.mp3", FakeTrack{.artist = "Artist Name", .lengthSeconds = 100});
    rig.addTrack("b.xyz", FakeTrack{.lengthSeconds = 100});
    InfoWindow window(rig.engine, rig.controller, skin);
    const auto artist = [&] {
        return InkOf(window.grab().toImage(), {AfterLabel("Артист: "), 20, 200, 14}, kWhiteRgb);
    };
    const auto green = [&] { return InkOf(window.grab().toImage(), kGreenLine, kGreenRgb); };

    window.open();
    EXPECT_FALSE(window.isVisible()) << "nothing plays: nothing to show";
    rig.controller.PlayTrack(0);
    window.open();
    ASSERT_TRUE(window.isVisible());
    EXPECT_GT(artist().count, 20);
    EXPECT_LE(green().left, 7);
    // No event loop runs in between: the window changed in the start's own handler.
    rig.controller.PlayTrack(1);
    EXPECT_EQ(artist().count, 0);
    EXPECT_GE(green().left, AfterLabel("   ")) << "b.xyz has no codec label";
    rig.controller.stop();
    EXPECT_GE(green().left, AfterLabel("      ")) << "neither codec nor bit rate after a stop";
    EXPECT_GT(green().count, 0) << "the neutral rate";
    // Hidden with a minimised player, it misses the next start but shows it when it comes back.
    window.hide();
    rig.controller.PlayTrack(0);
    window.show();
    EXPECT_LE(green().left, 7);
}
