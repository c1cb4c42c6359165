#include "MainWindow.h"
#include "PaintBox.h"
#include "WindowKit.h"

#include <QApplication>
#include <QEventLoop>
#include <QMouseEvent>
#include <QTimer>

#include <gtest/gtest.h>

namespace {
void Wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

QPoint BoxPos(MainWindow& window, BoxLogic& logic) {
    PaintBox* box = window.boxOf(logic);
    return box ? box->pos() : QPoint(-1, -1);
}
} // namespace

TEST(MainWindowFrame, SizeTitleAndBoxPositions) {
    WindowKit kit;
    MainWindow window(kit.skin, kit.hint, kit.beat);
    EXPECT_EQ(window.size(), QSize(320, 135));
    EXPECT_EQ(window.windowTitle(), QString("Vexo MP"));
    EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
    struct Case {
        BoxLogic* logic;
        QPoint at;
    };
    const Case cases[] = {
        {&window.ticker(), {64, 8}},
        {&window.titleBarButton(TitleBarKind::Min), {278, 8}},
        {&window.titleBarButton(TitleBarKind::TopMost), {290, 8}},
        {&window.titleBarButton(TitleBarKind::Exit), {302, 8}},
        {&window.labelButton(LabelKind::Playlist), {10, 58}},
        {&window.labelButton(LabelKind::Equalizer), {36, 58}},
        {&window.labelButton(LabelKind::Mode), {62, 58}},
        {&window.pressButton(PressKind::Back), {12, 100}},
        {&window.pressButton(PressKind::Play), {36, 100}},
        {&window.pressButton(PressKind::Pause), {60, 100}},
        {&window.pressButton(PressKind::Stop), {84, 100}},
        {&window.pressButton(PressKind::Next), {108, 100}},
        {&window.pressButton(PressKind::Open), {132, 100}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BoxPos(window, *c.logic), c.at);
        EXPECT_EQ(window.boxOf(*c.logic)->size(), c.logic->size());
    }
}

TEST(MainWindowFrame, RoundedMaskFollowsTheHeight) {
    WindowKit kit;
    MainWindow window(kit.skin, kit.hint, kit.beat);
    window.show();
    EXPECT_FALSE(window.mask().contains(QPoint(0, 0))) << "corner cut";
    EXPECT_TRUE(window.mask().contains(QPoint(160, 0)));
    EXPECT_TRUE(window.mask().contains(QPoint(160, 134)));
    EXPECT_FALSE(window.mask().contains(QPoint(319, 134)));
    window.setEqShown(true);
    EXPECT_EQ(window.size(), QSize(320, 178));
    EXPECT_TRUE(window.mask().contains(QPoint(160, 177)));
    EXPECT_TRUE(window.mask().contains(QPoint(319, 134)));
    EXPECT_FALSE(window.mask().contains(QPoint(319, 177)));
}

TEST(MainWindowParts, ThePlaylistLiesUnderTheMainPartAndTheWindowGrowsByItsHeight) {
    WindowKit kit;
    MainWindow window(kit.skin, kit.hint, kit.beat);
    QWidget playlist;
    playlist.resize(320, 250);
    window.setPlaylistPart(&playlist);
    window.show();
    EXPECT_EQ(window.size(), QSize(320, 135)) << "a hidden playlist takes no room";
    window.setPlaylistShown(true);
    EXPECT_EQ(window.size(), QSize(320, 135 + 250));
    EXPECT_EQ(playlist.geometry(), QRect(0, 135, 320, 250));
    for (QPoint corner : {QPoint(319, 134), QPoint(0, 135), QPoint(319, 384)})
        EXPECT_FALSE(window.mask().contains(corner))
            << "each part keeps its corners: " << corner.x() << "," << corner.y();
    EXPECT_TRUE(window.mask().contains(QPoint(160, 300)));

    LabelButton& eq = window.labelButton(LabelKind::Equalizer);
    eq.press({1, 1}, Qt::LeftButton);
    eq.release({1, 1}, Qt::LeftButton);
    EXPECT_TRUE(window.eqShown());
    EXPECT_EQ(window.size(), QSize(320, 178 + 250));
    EXPECT_EQ(playlist.pos(), QPoint(0, 178));
    EXPECT_FALSE(window.mask().contains(QPoint(0, 178)));
    playlist.resize(320, 300); // the playlist's own strip
    EXPECT_EQ(window.height(), 178 + 300);
    LabelButton& pl = window.labelButton(LabelKind::Playlist);
    pl.press({1, 1}, Qt::LeftButton);
    pl.release({1, 1}, Qt::LeftButton);
    EXPECT_FALSE(window.playlistShown());
    EXPECT_EQ(window.height(), 178);
}

TEST(MainWindowParts, ADragMovesTheWholeWindowByThePointer) {
    WindowKit kit;
    MainWindow window(kit.skin, kit.hint, kit.beat);
    QWidget playlist;
    playlist.resize(320, 210);
    window.setPlaylistPart(&playlist);
    window.move(100, 100);
    window.show();
    window.setPlaylistShown(true);

    const QPoint grab(200, 40); // free background between the analyser and the buttons
    auto send = [&](QEvent::Type type, QPoint global, Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(grab), QPointF(global),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(&window, &event);
    };
    const QPoint start = window.pos() + grab;
    send(QEvent::MouseButtonPress, start, Qt::LeftButton);
    EXPECT_TRUE(window.dragging());
    send(QEvent::MouseMove, start + QPoint(30, 7), Qt::LeftButton);
    send(QEvent::MouseMove, start + QPoint(50, 20), Qt::LeftButton);
    EXPECT_EQ(window.pos(), QPoint(150, 120));
    send(QEvent::MouseButtonRelease, start + QPoint(50, 20), Qt::NoButton);
    EXPECT_FALSE(window.dragging());
    EXPECT_TRUE(playlist.isVisible()) << "the playlist moves along, shown all the while";
}

TEST(MainWindowButtons, PlaylistButtonWithoutAWindowKeepsTheFlagAndParksTheTicker) {
    WindowKit kit;
    MainWindow window(kit.skin, kit.hint, kit.beat);
    bool playing = false;
    window.trackPlaying = [&] { return playing; };
    window.ticker().setTickerOffset(3);
    LabelButton& pl = window.labelButton(LabelKind::Playlist);
    pl.press({1, 1}, Qt::LeftButton);
    pl.release({1, 1}, Qt::LeftButton);
    EXPECT_TRUE(window.playlistShown());
    EXPECT_EQ(window.ticker().tickerOffset(), 115);
    playing = true;
    window.ticker().setTickerOffset(3);
    pl.press({1, 1}, Qt::LeftButton);
    pl.release({1, 1}, Qt::LeftButton);
    EXPECT_FALSE(window.playlistShown());
    EXPECT_EQ(window.ticker().tickerOffset(), 3) << "a playing title keeps its place";
}

TEST(MainWindowButtons, TopMostAndExitAct) {
    WindowKit kit;
    MainWindow window(kit.skin, kit.hint, kit.beat);
    window.show();
    TitleBarButton& top = window.titleBarButton(TitleBarKind::TopMost);
    top.press({1, 1}, Qt::LeftButton);
    top.release({1, 1}, Qt::LeftButton);
    EXPECT_TRUE(window.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(window.isVisible());
    top.press({1, 1}, Qt::LeftButton);
    top.release({1, 1}, Qt::LeftButton);
    EXPECT_FALSE(window.windowFlags() & Qt::WindowStaysOnTopHint);

    int closing = 0;
    QObject::connect(&window, &MainWindow::closing, [&] { ++closing; });
    TitleBarButton& exit = window.titleBarButton(TitleBarKind::Exit);
    exit.press({1, 1}, Qt::LeftButton);
    exit.release({30, 1}, Qt::LeftButton);
    EXPECT_EQ(closing, 0);
    EXPECT_TRUE(window.isVisible());
    exit.press({1, 1}, Qt::LeftButton);
    exit.release({5, 5}, Qt::LeftButton);
    EXPECT_EQ(closing, 1);
    EXPECT_FALSE(window.isVisible());
}

TEST(MainWindowLifecycle, FirstShowingIsSignalledOnce) {
    WindowKit kit;
    MainWindow window(kit.skin, kit.hint, kit.beat);
    int first = 0;
    QObject::connect(&window, &MainWindow::firstShown, [&] { ++first; });
    window.show();
    window.hide();
    window.show();
    EXPECT_EQ(first, 1);
}

TEST(MainWindowLifecycle, TheTickerTimerRunsOnlyWhileSomethingMoves) {
    WindowKit kit;
    MainWindow window(kit.skin, kit.hint, kit.beat);
    window.show();
    window.ticker().setTickerText("Title");
    window.ticker().setTickerOffset(100);
    Wait(200);
    EXPECT_LT(window.ticker().tickerOffset(), 100);
    window.ticker().setTickerText(QString());
    const int parked = window.ticker().tickerOffset();
    Wait(100);
    EXPECT_EQ(window.ticker().tickerOffset(), parked);
}
