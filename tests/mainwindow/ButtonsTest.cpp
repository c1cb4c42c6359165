#include "LabelButton.h"
#include "PressButton.h"
#include "Skin.h"
#include "SkinFonts.h"
#include "TitleBarButton.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {
const QColor kSkin(13, 90, 219);
const QRgb kWhiteRgb = qRgb(255, 255, 255);

class SkinFonts : public ::testing::Environment {
    void SetUp() override { RegisterSkinFonts(QString()); }
};
const auto* const kFonts = ::testing::AddGlobalTestEnvironment(new SkinFonts);

// Every pixel of the image that is not the ground colour, as a set of "x,y".
std::set<std::pair<int, int>> InkPixels(const QImage& image, QRgb ground) {
    std::set<std::pair<int, int>> ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != ground) ink.insert({x, y});
    return ink;
}

std::set<QRgb> Colours(const QImage& image) {
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y) | 0xff000000u);
    return colours;
}

// A button whose afterglow ends at once.
struct MakeButton : PressButton {
    MakeButton(PressKind kind, const Skin& skin) : PressButton(kind, skin) {
        later = [](int, std::function<void()> dim) { dim(); };
    }
};
} // namespace

TEST(PressButtonLook, GeometricGlyphsSitOnTheirColumnsAndRows) {
    const Skin skin(kSkin);
    struct Case {
        PressKind kind;
        std::vector<QPoint> ink;
        std::vector<QPoint> ground;
    };
    const std::vector<Case> cases = {
        // The mirrored triangle: upright edge on column 9, tip on column 14.
        {PressKind::Play,
         {{9, 5}, {9, 15}, {9, 10}, {14, 10}, {12, 10}},
         {{10, 5}, {15, 10}, {8, 10}, {5, 10}}},
        {PressKind::Pause,
         {{6, 6}, {8, 14}, {11, 6}, {13, 14}},
         {{5, 5}, {9, 10}, {10, 10}, {14, 10}, {7, 15}}},
        {PressKind::Stop, {{6, 6}, {14, 14}, {10, 10}}, {{5, 5}, {15, 15}, {5, 10}, {10, 15}}},
        {PressKind::Open,
         {{10, 5}, {5, 10}, {15, 10}, {5, 13}, {15, 14}},
         {{16, 13}, {4, 13}, {10, 12}, {10, 15}}},
    };
    for (const Case& c : cases) {
        for (bool lit : {false, true}) {
            MakeButton button(c.kind, skin);
            if (lit) button.press({1, 1}, Qt::LeftButton);
            const QImage& image = button.image();
            const QRgb glyph = lit ? kSkin.rgb() : qRgb(0, 0, 0);
            for (QPoint p : c.ink)
                EXPECT_EQ(image.pixel(p), glyph) << int(c.kind) << " " << p.x() << "," << p.y();
            for (QPoint p : c.ground)
                EXPECT_EQ(image.pixel(p), kWhiteRgb) << int(c.kind) << " " << p.x() << "," << p.y();
        }
    }
}

TEST(PressButtonLook, ArrowGlyphsAreDrawnInTheGlyphColourOnly) {
    const Skin skin(kSkin);
    for (PressKind kind : {PressKind::Back, PressKind::Next}) {
        MakeButton button(kind, skin);
        const auto rest = InkPixels(button.image(), kWhiteRgb);
        EXPECT_GT(rest.size(), 10u);
        EXPECT_EQ(Colours(button.image()), (std::set<QRgb>{kWhiteRgb, qRgb(0, 0, 0)}));
        button.press({1, 1}, Qt::LeftButton);
        EXPECT_EQ(Colours(button.image()), (std::set<QRgb>{kWhiteRgb, kSkin.rgb()}));
        EXPECT_EQ(InkPixels(button.image(), kWhiteRgb), rest) << "lighting changes the colour, not the shape";
    }
    // « and » are mirror images of each other; at least they must differ.
    MakeButton back(PressKind::Back, skin), next(PressKind::Next, skin);
    EXPECT_NE(back.image(), next.image());
}

TEST(PressButtonLook, FollowsASkinColourChangeWhileLit) {
    Skin skin(kSkin);
    MakeButton button(PressKind::Stop, skin);
    button.press({1, 1}, Qt::LeftButton);
    EXPECT_EQ(button.image().pixel(10, 10), kSkin.rgb());
    skin.setColor(QColor(200, 10, 10));
    EXPECT_EQ(button.image().pixel(10, 10), qRgb(200, 10, 10));
}

// A button whose afterglows wait in `dims` until the test ends them.
struct GlowingButton {
    explicit GlowingButton(PressKind kind) : button(kind, skin) {
        button.later = [this](int ms, std::function<void()> dim) {
            EXPECT_EQ(ms, PressButton::kLitAfterReleaseMs);
            dims.push_back(std::move(dim));
        };
    }
    void click() {
        button.press({1, 1}, Qt::LeftButton);
        button.release({1, 1}, Qt::LeftButton);
    }
    const Skin skin{kSkin};
    PressButton button;
    std::vector<std::function<void()>> dims;
};

TEST(PressButtonBehaviour, ActsOnTheLeftPressAndStaysLitUntilItsAfterglowEnds) {
    GlowingButton play(PressKind::Play);
    int actions = 0;
    QObject::connect(&play.button, &PressButton::triggered, [&] {
        EXPECT_TRUE(play.button.lit());
        ++actions;
    });
    play.button.press({3, 3}, Qt::RightButton);
    play.button.release({3, 3}, Qt::RightButton);
    EXPECT_EQ(actions, 0) << "other buttons do nothing";
    EXPECT_TRUE(play.dims.empty());

    play.click();
    EXPECT_EQ(actions, 1);
    EXPECT_TRUE(play.button.lit()) << "the release returns at once, the light stays";
    ASSERT_EQ(play.dims.size(), 1u);
    play.dims[0]();
    EXPECT_FALSE(play.button.lit());
}

TEST(PressButtonBehaviour, AnAfterglowEndsOnlyItsOwnClick) {
    GlowingButton play(PressKind::Play), stop(PressKind::Stop);
    play.click();
    stop.click();
    stop.dims[0]();
    EXPECT_TRUE(play.button.lit()) << "another button's afterglow leaves this one alone";
    EXPECT_FALSE(stop.button.lit());

    play.button.press({1, 1}, Qt::LeftButton); // pressed again before the first afterglow ended
    play.dims[0]();
    EXPECT_TRUE(play.button.lit()) << "held";
    play.button.release({1, 1}, Qt::LeftButton);
    play.dims[0]();
    EXPECT_TRUE(play.button.lit()) << "the second click's afterglow still runs";
    play.dims[1]();
    EXPECT_FALSE(play.button.lit());
}

TEST(PressButtonBehaviour, AnAfterglowThatOutlivesItsButtonDoesNothing) {
    const Skin skin(kSkin);
    std::function<void()> dim;
    {
        PressButton play(PressKind::Play, skin);
        play.later = [&](int, std::function<void()> d) { dim = std::move(d); };
        play.press({1, 1}, Qt::LeftButton);
        play.release({1, 1}, Qt::LeftButton);
    }
    ASSERT_TRUE(dim);
    dim(); // must not touch the destroyed button
}

TEST(PressButtonBehaviour, AModalActionGoesDarkAfterItsEndWhenTheReleaseNeverCame) {
    const Skin skin(kSkin);
    PressButton open(PressKind::Open, skin);
    open.modalAction = true;
    int afterglows = 0;
    open.later = [&](int, std::function<void()> dim) {
        EXPECT_TRUE(open.lit());
        ++afterglows;
        dim();
    };
    open.press({1, 1}, Qt::LeftButton); // the dialog took the release
    EXPECT_FALSE(open.lit());
    EXPECT_EQ(afterglows, 1);

    QObject::connect(&open, &PressButton::triggered, [&] {
        open.release({1, 1}, Qt::LeftButton);
    }); // this time it came through
    open.press({1, 1}, Qt::LeftButton);
    EXPECT_FALSE(open.lit());
    EXPECT_EQ(afterglows, 2) << "one afterglow per click";
}

TEST(PressButtonBehaviour, HintsAndSizes) {
    const Skin skin(kSkin);
    const std::vector<std::pair<PressKind, QString>> hints = {
        {PressKind::Back, "Предыдущий трек"}, {PressKind::Play, "Воспроизведение"},
        {PressKind::Pause, "Пауза"},          {PressKind::Stop, "Остановить"},
        {PressKind::Next, "Следующий трек"},  {PressKind::Open, "Добавить файлы"}};
    for (const auto& [kind, hint] : hints) {
        PressButton button(kind, skin);
        EXPECT_EQ(button.hint(), hint);
        EXPECT_EQ(button.size(), kind == PressKind::Open ? QSize(22, 20) : QSize(20, 20));
    }
}

TEST(TitleBarButtonBehaviour, ClicksOnlyOnAReleaseInsideTheBox) {
    struct Case {
        QPoint release;
        bool click;
    };
    const std::vector<Case> cases = {{{5, 5}, true},   {{0, 0}, true},   {{11, 12}, true}, {{12, 5}, false},
                                     {{5, 13}, false}, {{-1, 5}, false}, {{5, -1}, false}};
    for (TitleBarKind kind : {TitleBarKind::Min, TitleBarKind::TopMost, TitleBarKind::Exit}) {
        for (const Case& c : cases) {
            TitleBarButton button(kind);
            int clicks = 0;
            QObject::connect(&button, &TitleBarButton::clicked, [&] { ++clicks; });
            button.press({5, 5}, Qt::LeftButton);
            EXPECT_TRUE(button.lit());
            button.release(c.release, Qt::LeftButton);
            EXPECT_EQ(clicks, c.click ? 1 : 0)
                << int(kind) << " at " << c.release.x() << "," << c.release.y();
            if (kind == TitleBarKind::TopMost) {
                EXPECT_EQ(button.stayOnTop(), c.click);
                EXPECT_EQ(button.lit(), c.click) << "the T shows the state, not the press";
            } else {
                EXPECT_FALSE(button.lit());
            }
        }
    }
}

TEST(TitleBarButtonBehaviour, TopMostTogglesBackAndKeepsARestoredState) {
    TitleBarButton button(TitleBarKind::TopMost);
    button.setStayOnTop(true);
    EXPECT_TRUE(button.lit());
    button.press({2, 2}, Qt::LeftButton);
    button.release({40, 2}, Qt::LeftButton); // slid off: nothing changes
    EXPECT_TRUE(button.stayOnTop());
    EXPECT_TRUE(button.lit());
    button.press({2, 2}, Qt::LeftButton);
    button.release({2, 2}, Qt::LeftButton);
    EXPECT_FALSE(button.stayOnTop());
    EXPECT_FALSE(button.lit());
}

TEST(TitleBarButtonBehaviour, OnlyTheLeftButtonLightsABox) {
    for (TitleBarKind kind : {TitleBarKind::Min, TitleBarKind::TopMost, TitleBarKind::Exit}) {
        TitleBarButton button(kind);
        button.press({2, 2}, Qt::RightButton);
        EXPECT_FALSE(button.lit());
        button.press({2, 2}, Qt::LeftButton);
        EXPECT_TRUE(button.lit());
    }
}

TEST(TitleBarButtonLook, LabelColoursAtRestAndLit) {
    const QRgb grey = qRgb(128, 128, 128), blue = qRgb(0, 0, 255), red = qRgb(255, 0, 0);
    struct Case {
        TitleBarKind kind;
        QRgb rest, lit;
    };
    for (const Case& c : {Case{TitleBarKind::Min, grey, blue}, Case{TitleBarKind::TopMost, grey, blue},
                          Case{TitleBarKind::Exit, red, grey}}) {
        TitleBarButton button(c.kind);
        QImage rest = button.image();
        // Frame: grey outline on the edges' middles, white inside.
        EXPECT_EQ(rest.pixel(5, 0), grey);
        EXPECT_EQ(rest.pixel(0, 6), grey);
        EXPECT_EQ(rest.pixel(10, 6), grey);
        EXPECT_EQ(rest.pixel(5, 11), grey);
        // The label lies inside the frame: x 2..8, y 1..8.
        const auto restInk = InkPixels(rest.copy(2, 1, 7, 8), kWhiteRgb);
        ASSERT_GE(restInk.size(), 3u) << int(c.kind);
        for (auto [x, y] : restInk)
            EXPECT_EQ(rest.pixel(x + 2, y + 1), c.rest);
        button.press({2, 2}, Qt::LeftButton);
        const QImage lit = button.image();
        for (auto [x, y] : restInk)
            EXPECT_EQ(lit.pixel(x + 2, y + 1), c.lit);
        EXPECT_EQ(lit.pixel(5, 0), grey) << "the frame does not light";
    }
}

TEST(LabelButtonBehaviour, ModeCyclesAndAStrangeModeRestartsAtZero) {
    const Skin skin(kSkin);
    LabelButton mode(LabelKind::Mode, skin);
    std::vector<int> seen;
    QObject::connect(&mode, &LabelButton::modeChanged, [&](int m) { seen.push_back(m); });
    for (int i = 0; i < 4; ++i) {
        mode.press({1, 1}, Qt::LeftButton); // no press action
        mode.release({1, 1}, Qt::LeftButton);
    }
    mode.release({1, 1}, Qt::RightButton);
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 0, 1}));
    for (int strange : {7, -3}) {
        mode.setMode(strange);
        mode.release({1, 1}, Qt::LeftButton);
        EXPECT_EQ(mode.mode(), 0);
    }
}

TEST(LabelButtonLook, ModeGlyphsDifferAndAStrangeModeKeepsTheLastPicture) {
    const Skin skin(kSkin);
    LabelButton mode(LabelKind::Mode, skin);
    const QRgb green = qRgb(72, 194, 41), silver = qRgb(192, 192, 192);
    std::vector<QImage> pictures;
    for (int m : {0, 1, 2}) {
        mode.setMode(m);
        const QImage image = mode.image();
        EXPECT_EQ(image.pixel(0, 0), kWhiteRgb) << "white outline";
        EXPECT_EQ(image.pixel(22, 12), kWhiteRgb);
        EXPECT_EQ(image.pixel(1, 1), silver);
        EXPECT_EQ(Colours(image), (std::set<QRgb>{kWhiteRgb, silver, green})) << m;
        pictures.push_back(image);
    }
    EXPECT_NE(pictures[0], pictures[1]);
    EXPECT_NE(pictures[1], pictures[2]);
    mode.setMode(5);
    EXPECT_EQ(mode.image(), pictures[2]);
}

TEST(LabelButtonBehaviour, PlaylistLightsOnPressAndFollowsTheWindowOnRelease) {
    const Skin skin(kSkin);
    LabelButton pl(LabelKind::Playlist, skin);
    bool windowVisible = false;
    QObject::connect(&pl, &LabelButton::toggleRequested, [&] {
        windowVisible = !windowVisible;
        pl.setShown(windowVisible);
    });
    auto hasSkin = [&] { return Colours(pl.image()).count(kSkin.rgb()) == 1; };
    EXPECT_FALSE(hasSkin());
    pl.press({1, 1}, Qt::LeftButton);
    EXPECT_TRUE(pl.shown());
    EXPECT_TRUE(hasSkin());
    pl.release({50, 50}, Qt::LeftButton); // wherever the pointer is
    EXPECT_TRUE(windowVisible);
    EXPECT_TRUE(hasSkin());
    pl.press({1, 1}, Qt::LeftButton);
    pl.release({1, 1}, Qt::LeftButton);
    EXPECT_FALSE(windowVisible);
    EXPECT_FALSE(pl.shown());
    EXPECT_FALSE(hasSkin());
}

TEST(LabelButtonBehaviour, EqualizerLabelFollowsTheToggle) {
    const Skin skin(kSkin);
    LabelButton eq(LabelKind::Equalizer, skin);
    bool open = false;
    QObject::connect(&eq, &LabelButton::toggleRequested, [&] { eq.setShown(open = !open); });
    eq.press({1, 1}, Qt::LeftButton);
    EXPECT_FALSE(eq.shown()) << "the equalizer acts on the release";
    eq.release({1, 1}, Qt::LeftButton);
    EXPECT_TRUE(eq.shown());
    EXPECT_EQ(Colours(eq.image()).count(kSkin.rgb()), 1u);
    eq.release({1, 1}, Qt::LeftButton);
    EXPECT_FALSE(eq.shown());
    EXPECT_EQ(Colours(eq.image()).count(kSkin.rgb()), 0u);
}
