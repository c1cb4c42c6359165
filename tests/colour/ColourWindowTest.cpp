#include "ColourWindow.h"
#include "ColourPanel.h"
#include "FakeEngine.h"
#include "Player.h"
#include "SkinFonts.h"
#include "WaitFor.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QSlider>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
// The pixels of `colour` in `area` of what the window system shows of `window` (off-screen: its
// backing store), so a window that missed its repaint still shows the old colour.
int ShownPixels(QWidget& window, QRgb colour, QRect area) {
    const QImage shown =
        window.screen()->grabWindow(window.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    int n = 0;
    for (int y = area.top(); y <= area.bottom() && y < shown.height(); ++y)
        for (int x = area.left(); x <= area.right() && x < shown.width(); ++x)
            n += shown.pixel(x, y) == colour;
    return n;
}

void Send(QWidget& to, QEvent::Type type, QPoint at, Qt::MouseButton button) {
    QMouseEvent event(type, at, to.mapToGlobal(QPointF(at)), button,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : button, Qt::NoModifier);
    QApplication::sendEvent(&to, &event);
}
void Key(QWidget& to, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&to, &press);
}
} // namespace

// The user's path from a right click on the main window to every window in the new colour: the
// sliders open on the skin's colour, unchanged, a mouse move of one and an arrow key on another make
// the sliders' colour the skin's, the shown windows repaint at once and a hidden one shows it when
// it comes back; Esc hides the window, which keeps its sliders and its place.
TEST(ColourWindow, ASliderStepRecoloursEveryWindowAndTheSlidersKeepTheirPlaces) {
    RegisterSkinFonts(QString());
    QTemporaryDir home;
    FakeEngine engine;
    QDir(home.path()).mkpath("Data");
    Player player(engine, home.path());
    QStringList errors;
    player.showError = [&](const QString& message) { errors << message; };
    const QString file = home.filePath("song.mp3");
    QFile(file).open(QIODevice::WriteOnly);
    engine.files[file.toStdString()] = FakeTrack{.artist = "Artist", .title = "Song", .lengthSeconds = 300};
    player.addPaths({QFile::encodeName(file)});
    player.skin().setColor(QColor(13, 90, 219));
    MainWindow& main = player.window();
    PlaylistWindow& list = player.playlistWindow();
    ColourWindow& colour = player.colourWindow();
    main.move(200, 150);
    main.show();
    list.show();
    main.pressButton(PressKind::Play).press({5, 5}, Qt::LeftButton);
    emit main.infoWindowRequested();
    QWidget* info = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->size() == QSize(322, 129)) info = w;
    ASSERT_TRUE(info) << "the information window opens on a playing track";
    info->hide();

    int changes = 0;
    QObject::connect(&player.skin(), &Skin::changed, [&] { ++changes; });
    Send(main, QEvent::MouseButtonPress, {150, 40}, Qt::RightButton);
    Send(main, QEvent::MouseButtonRelease, {150, 40}, Qt::RightButton);
    ASSERT_TRUE(colour.isVisible());
    const QRect mainPart(main.pos(), QSize(main.width(), main.mainPartHeight()));
    EXPECT_EQ(colour.geometry().center(), mainPart.center()) << "over the main part, not the playlist";
    EXPECT_EQ(changes, 0) << "opening the window only shows the colour";

    colour.slider(ColourWindow::Red).setValue(200);
    EXPECT_EQ(player.skin().color(), QColor(200, 90, 219)) << "the other sliders stand at the skin's colour";
    Key(colour.slider(ColourWindow::Green), Qt::Key_Right);
    const QRgb fresh = qRgb(200, 91, 219), old = qRgb(13, 90, 219);
    EXPECT_EQ(player.skin().rgb(), fresh);

    const QRect frameTitle(0, 0, 64, 30), listTitle(120, 2, 100, 22), heading(0, 0, 300, 19);
    EXPECT_TRUE(WaitFor([&] {
        return ShownPixels(main, fresh, frameTitle) > 20 && ShownPixels(list, fresh, listTitle) > 10 &&
               ShownPixels(colour, fresh, ColourPanel::kSwatch) == 49 * 33;
    })) << ShownPixels(main, fresh, frameTitle)
        << " in the frame's title, " << ShownPixels(list, fresh, listTitle) << " in the playlist's, "
        << ShownPixels(colour, fresh, ColourPanel::kSwatch) << " in the swatch";
    EXPECT_EQ(ShownPixels(main, old, main.rect()), 0);
    EXPECT_EQ(ShownPixels(list, old, list.rect()), 0);
    emit main.infoWindowRequested();
    ASSERT_TRUE(info->isVisible());
    EXPECT_TRUE(WaitFor([&] { return ShownPixels(*info, fresh, heading) > 40; }))
        << "the information window takes the colour when it comes back";

    const QPoint placed = colour.pos();
    Key(colour.slider(ColourWindow::Green), Qt::Key_Escape);
    EXPECT_FALSE(colour.isVisible());
    Send(main, QEvent::MouseButtonPress, {150, 40}, Qt::RightButton);
    ASSERT_TRUE(colour.isVisible());
    EXPECT_EQ(colour.pos(), placed);
    EXPECT_EQ(colour.slider(ColourWindow::Red).value(), 200);
    EXPECT_EQ(colour.slider(ColourWindow::Green).value(), 91);
    player.shutdown();
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}
