#include "MainWindow.h"
#include "PaintBox.h"
#include "WindowKit.h"

#include <QApplication>
#include <QEventLoop>
#include <QMouseEvent>
#include <QTimer>

#include <gtest/gtest.h>

namespace {
// Every docking rectangle the window announced.
struct DockLog {
    explicit DockLog(MainWindow& window) {
        QObject::connect(&window, &MainWindow::docked, [this](const QRect& r) { rects.push_back(r); });
    }
    std::vector<QRect> rects;
};

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

TEST(MainWindowDocking, EqToggleResizesAndDocksThePlaylistBelow) {
    WindowKit kit;
    MainWindow window(kit.skin, kit.hint, kit.beat);
    QWidget playlist;
    playlist.resize(320, 250);
    window.setPlaylistWindow(&playlist);
    window.move(268, 141);
    window.show();
    DockLog docked(window);
    LabelButton& eq = window.labelButton(LabelKind::Equalizer);
    eq.press({1, 1}, Qt::LeftButton);
    eq.release({1, 1}, Qt::LeftButton);
    EXPECT_EQ(window.height(), 178);
    EXPECT_TRUE(window.eqShown());
    ASSERT_EQ(docked.rects.size(), 1u);
    const QRect expected(window.x(), window.y() + 178, 320, 250);
    EXPECT_EQ(docked.rects.at(0), expected);
    EXPECT_EQ(playlist.geometry(), expected);
    EXPECT_FALSE(playlist.isVisible()) << "docking moves a hidden playlist without showing it";
    eq.release({1, 1}, Qt::LeftButton);
    EXPECT_EQ(window.height(), 135);
    EXPECT_FALSE(window.eqShown());
    EXPECT_EQ(docked.rects.back(), QRect(window.x(), window.y() + 135, 320, 250));
}

TEST(MainWindowDocking, ADragMovesTheWindowByThePointerAndDocksAfterwards) {
    WindowKit kit;
    MainWindow window(kit.skin, kit.hint, kit.beat);
    QWidget playlist;
    playlist.resize(320, 210);
    window.setPlaylistWindow(&playlist);
    window.move(100, 100);
    window.show();
    window.setPlaylistShown(true);
    ASSERT_TRUE(playlist.isVisible());
    DockLog docked(window);

    const QPoint grab(200, 40); // free background between the analyser and the buttons
    auto send = [&](QEvent::Type type, QPoint global, Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(grab), QPointF(global),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(&window, &event);
    };
    const QPoint start = window.pos() + grab;
    send(QEvent::MouseButtonPress, start, Qt::LeftButton);
    EXPECT_TRUE(window.dragging());
    EXPECT_FALSE(playlist.isVisible()) << "hidden during the drag";
    send(QEvent::MouseMove, start + QPoint(30, 7), Qt::LeftButton);
    send(QEvent::MouseMove, start + QPoint(50, 20), Qt::LeftButton);
    EXPECT_EQ(window.pos(), QPoint(150, 120));
    EXPECT_TRUE(docked.rects.empty());
    send(QEvent::MouseButtonRelease, start + QPoint(50, 20), Qt::NoButton);
    EXPECT_FALSE(window.dragging());
    ASSERT_EQ(docked.rects.size(), 1u);
    EXPECT_EQ(docked.rects.at(0), QRect(150, 255, 320, 210));
    EXPECT_TRUE(playlist.isVisible()) << "shown again under the window";
    EXPECT_EQ(playlist.geometry(), QRect(150, 255, 320, 210));

    // However the window is moved afterwards, a docked playlist goes along; one placed elsewhere stays.
    window.move(200, 150);
    QApplication::processEvents();
    EXPECT_EQ(playlist.geometry(), QRect(200, 285, 320, 210));
    playlist.move(10, 10);
    window.move(250, 150);
    QApplication::processEvents();
    EXPECT_EQ(playlist.pos(), QPoint(10, 10));
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
