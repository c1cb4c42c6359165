#include "CellText.h"
#include "Skin.h"
#include "SkinFont.h"
#include "TitleTicker.h"

#include <gtest/gtest.h>

#include <QPainter>

#include <vector>

namespace {
// A text and the offset it is put at; the ticker's width follows the text.
// A ticker showing text from offset.
struct Ticker : TitleTicker {
    Ticker(const Skin& skin, const QString& text, int offset, int direction = 0) : TitleTicker(skin) {
        setTickerText(text);
        setTickerOffset(offset);
        setDirection(direction);
    }
};

const QColor kSkin(13, 90, 219);

int SkinPixelsInColumn(const QImage& image, int x) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        n += image.pixel(x, y) == kSkin.rgb();
    return n;
}
} // namespace

TEST(TitleTickerSteps, MovesOnePixelAndWrapsAtTheEdges) {
    const Skin skin(kSkin);
    Ticker probe(skin, "Some Artist - A Title", 0);
    const int w = probe.tickerWidth();
    ASSERT_GT(w, 50);
    struct Case {
        int direction, start, after;
    };
    const std::vector<Case> cases = {
        {0, 10, 9},      {0, -w, TitleTicker::kWidth}, // the last painted position is -width
        {0, -w + 1, -w}, {1, 10, 11},
        {1, 209, -w},    {1, 208, 209}, // 209 is still painted; beyond it wraps
        {2, 10, 10},     {-1, 10, 10},  // any other direction stands still
    };
    for (const Case& c : cases) {
        Ticker ticker(skin, "Some Artist - A Title", c.start, c.direction);
        ticker.step();
        EXPECT_EQ(ticker.tickerOffset(), c.after) << c.direction << " from " << c.start;
    }
}

TEST(TitleTickerSteps, ANewTitleReachesTheLastColumnAfterSixteenSteps) {
    const Skin skin(kSkin);
    Ticker ticker(skin, "Title", TitleTicker::kStartOffset);
    int steps = 0;
    while (ticker.tickerOffset() > TitleTicker::kWidth - 1) {
        ticker.step();
        ++steps;
    }
    EXPECT_EQ(steps, 16);
}

TEST(TitleTickerDrag, TheTextsMiddleFollowsThePointerAndScrollingResumesFromThere) {
    const Skin skin(kSkin);
    Ticker ticker(skin, "Some Artist - A Title", 100);
    const int half = ticker.tickerWidth() / 2;
    ticker.press({50, 5}, Qt::LeftButton);
    EXPECT_TRUE(ticker.dragging());
    EXPECT_EQ(ticker.tickerOffset(), 50 - half);
    ticker.step();
    EXPECT_EQ(ticker.tickerOffset(), 50 - half) << "the timer does not move a held text";
    ticker.move({150, 5}, Qt::LeftButton);
    EXPECT_EQ(ticker.tickerOffset(), 150 - half);
    ticker.move({400, 5}, Qt::LeftButton);
    EXPECT_EQ(ticker.tickerOffset(), 400 - half) << "beyond the strip while held";
    ticker.release({400, 5}, Qt::LeftButton);
    ticker.step();
    EXPECT_EQ(ticker.tickerOffset(), 400 - half - 1);
    ticker.move({10, 5}, Qt::NoButton);
    EXPECT_EQ(ticker.tickerOffset(), 400 - half - 1) << "moving without a drag does nothing";
}

TEST(TitleTickerMouse, RightPressReversesAndMiddleClickAsksForInformation) {
    const Skin skin(kSkin);
    Ticker ticker(skin, "Title", 100, 0);
    int infoRequests = 0;
    QObject::connect(&ticker, &TitleTicker::infoRequested, [&] { ++infoRequests; });
    ticker.press({5, 5}, Qt::RightButton);
    EXPECT_EQ(ticker.direction(), 1);
    ticker.step();
    EXPECT_EQ(ticker.tickerOffset(), 101);
    ticker.press({5, 5}, Qt::RightButton);
    EXPECT_EQ(ticker.direction(), 0);
    ticker.setDirection(7);
    ticker.press({5, 5}, Qt::RightButton);
    EXPECT_EQ(ticker.direction(), 0) << "a strange direction becomes 0";
    ticker.press({5, 5}, Qt::MiddleButton);
    EXPECT_EQ(infoRequests, 0);
    ticker.release({5, 5}, Qt::MiddleButton);
    EXPECT_EQ(infoRequests, 1);
    EXPECT_EQ(ticker.hint(), QString("\"Нажать СКМ\" для получения информации"));
}

TEST(TitleTickerTimer, NothingToMoveMeansNoTimer) {
    const Skin skin(kSkin);
    TitleTicker ticker(skin);
    int motionChanges = 0;
    QObject::connect(&ticker, &TitleTicker::motionChanged, [&] { ++motionChanges; });
    EXPECT_FALSE(ticker.moving()) << "an empty ticker";
    ticker.setTickerText("Title");
    EXPECT_TRUE(ticker.moving());
    ticker.setDirection(3);
    EXPECT_FALSE(ticker.moving());
    ticker.setDirection(1);
    ticker.press({5, 5}, Qt::LeftButton);
    EXPECT_FALSE(ticker.moving()) << "a held text only follows the pointer";
    ticker.release({5, 5}, Qt::LeftButton);
    EXPECT_TRUE(ticker.moving());
    ticker.setTickerText(QString());
    EXPECT_FALSE(ticker.moving());
    EXPECT_EQ(motionChanges, 6);
}

TEST(TitleTickerLook, GradientGroundAndTheTextAtItsOffset) {
    const Skin skin(kSkin);
    Ticker ticker(skin, "Some Artist - A Title", 20);
    const QImage image = ticker.image();
    ASSERT_EQ(image.size(), QSize(209, 14));
    EXPECT_EQ(image.pixel(5, 0), qRgb(192, 192, 192));
    EXPECT_EQ(image.pixel(5, 13), qRgb(255, 255, 255));
    int inked = 0;
    for (int x = 20; x < 20 + ticker.tickerWidth(); ++x)
        inked += SkinPixelsInColumn(image, x) > 0;
    EXPECT_GT(inked, ticker.tickerWidth() / 2);
    for (int x = 0; x < 20; ++x)
        EXPECT_EQ(SkinPixelsInColumn(image, x), 0) << x;

    // One step moves the picture by one pixel, not a new layout.
    ticker.step();
    const QImage moved = ticker.image();
    for (int x = 19; x < 100; ++x)
        EXPECT_EQ(SkinPixelsInColumn(moved, x), SkinPixelsInColumn(image, x + 1)) << x;

    ticker.setTickerText(QString());
    const QImage empty = ticker.image();
    for (int x = 0; x < 209; ++x)
        EXPECT_EQ(SkinPixelsInColumn(empty, x), 0);
}

TEST(TitleTickerLook, TextOutsideTheStripIsClipped) {
    const Skin skin(kSkin);
    Ticker ticker(skin, "Title", TitleTicker::kStartOffset);
    const QImage image = ticker.image();
    for (int x = 0; x < 209; ++x)
        EXPECT_EQ(SkinPixelsInColumn(image, x), 0);
}

// Whatever the title, the colour, the offset (a drag may take the title far beyond the ends) or the
// scale of the screen, the ticker shows what a painter drawing the title over the ground at that
// offset would: on a 2x screen its window onto the strip moves two device columns a pixel.
TEST(TitleTickerLook, SamePictureAsAPainterAtEveryKindOfOffset) {
    Skin skin(kSkin);
    int checked = 0, inked = 0;
    for (int scale : {1, 2}) {
        Ticker empty(skin, QString(), 0);
        empty.setPaintScale(scale);
        const QImage ground = empty.image().copy();
        ASSERT_EQ(ground.size(), QSize(TitleTicker::kWidth, TitleTicker::kHeight) * scale);
        Ticker ticker(skin, "x", 0);
        ticker.setPaintScale(scale);
        for (QColor colour : {QColor(200, 40, 90), QColor(10, 200, 30)}) {
            skin.setColor(colour);
            for (const QString& title :
                 {QStringLiteral("Группа - Песня (live)"), QStringLiteral("x"), QString()}) {
                ticker.setTickerText(title);
                const int width = ticker.tickerWidth();
                QImage text(QSize(width + 4, TitleTicker::kHeight) * scale,
                            QImage::Format_ARGB32_Premultiplied);
                text.setDevicePixelRatio(scale);
                text.fill(Qt::transparent);
                {
                    QPainter painter(&text);
                    painter.setFont(SkinFont(8));
                    painter.setPen(colour);
                    DrawCellText(painter, {0, 0}, title);
                }
                for (int offset : {-5000, -width - 5, -width - 4, -width - 3, -width, -40, -1, 0, 1, 57, 150,
                                   208, 209, 210, 300, 5000}) {
                    ticker.setTickerOffset(offset);
                    QImage expected = ground.copy();
                    if (!title.isEmpty()) {
                        QPainter painter(&expected);
                        painter.drawImage(offset, 0, text);
                    }
                    ASSERT_EQ(ticker.image(), expected) << "offset " << offset << " title \""
                                                        << title.toStdString() << "\" at scale " << scale;
                    ++checked;
                    inked += ticker.image() != ground;
                }
            }
        }
    }
    EXPECT_EQ(checked, 2 * 2 * 3 * 16);
    // The title was there to be seen at many of those offsets, in both colours.
    EXPECT_GE(inked, 2 * 2 * 10);
}
