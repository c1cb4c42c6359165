#include "Player.h"
#include "FakeEngine.h"
#include "PaintBox.h"
#include "PlaylistView.h"
#include "SettingsFile.h"
#include "SingleInstance.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMimeData>
#include <QScreen>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>

namespace {
// A player over a fake engine in a fresh home folder, with failures collected instead of shown.
struct PlayerFixture : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        QDir(home.path()).mkpath("Data");
        player = std::make_unique<Player>(engine, home.path());
        player->showError = [this](const QString& message) { errors << message; };
        player->dialogs().run = [](QFileDialog&) { return QStringList(); };
    }
    QString dataFile(const QString& name) const { return home.path() + "/Data/" + name; }
    QByteArray readData(const QString& name) const {
        QFile file(dataFile(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    bool called(const std::string& call) const {
        return std::find(engine.calls.begin(), engine.calls.end(), call) != engine.calls.end();
    }

    QTemporaryDir home;
    FakeEngine engine;
    std::unique_ptr<Player> player;
    QStringList errors;
};

// Serves this thread's events until done holds; false when it did not within a generous bound.
bool serveUntil(const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > 20000) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

Settings Unusual() {
    Settings s;
    s.mainLeft = 300;
    s.mainTop = 200;
    s.onTop = true;
    s.volume = 50;
    s.balans = 0.5f;
    s.balansX = 70;
    s.runStringScroll = 1;
    s.playMode = 2;
    s.timeMode = 1;
    s.color = 0x00336699;
    s.eqShow = true;
    s.eqEnable = true;
    s.eqParams = {1, 2, 3, 4, 5, 15, 25, 26, 27, 28, 29};
    s.playListShow = true;
    s.playListLeft = 300; // right under the main part with its equalizer panel
    s.playListTop = 378;
    s.playListHeight = 333;
    return s;
}
} // namespace

TEST_F(PlayerFixture, SettingsAppliedComeBackUnchanged) {
    const Settings s = Unusual();
    player->applySettings(s);
    MainWindow& window = player->window();
    EXPECT_EQ(window.pos(), QPoint(300, 200));
    EXPECT_TRUE(window.stayOnTop());
    EXPECT_TRUE(window.titleBarButton(TitleBarKind::TopMost).lit());
    EXPECT_EQ(window.mainPartHeight(), 178);
    EXPECT_EQ(window.playMode(), 2);
    EXPECT_EQ(player->playback().controller.PlayMode(), 2);
    EXPECT_EQ(window.ticker().direction(), 1);
    EXPECT_EQ(player->skin().color(), QColor(0x99, 0x66, 0x33)) << "COLORREF keeps red in the low byte";
    EXPECT_TRUE(player->playback().equalizer.EQApplied());
    const Settings back = player->collectSettings();
    EXPECT_EQ(back.mainLeft, s.mainLeft);
    EXPECT_EQ(back.mainTop, s.mainTop);
    EXPECT_EQ(back.onTop, s.onTop);
    EXPECT_EQ(back.volume, s.volume);
    EXPECT_EQ(back.balans, s.balans);
    EXPECT_EQ(back.balansX, s.balansX);
    EXPECT_EQ(back.runStringScroll, s.runStringScroll);
    EXPECT_EQ(back.playMode, s.playMode);
    EXPECT_EQ(back.timeMode, s.timeMode);
    EXPECT_EQ(back.color, s.color);
    EXPECT_EQ(back.eqShow, s.eqShow);
    EXPECT_EQ(back.eqEnable, s.eqEnable);
    EXPECT_EQ(back.eqParams, s.eqParams);
    EXPECT_EQ(back.playListShow, s.playListShow);
    EXPECT_EQ(back.playListLeft, s.playListLeft);
    EXPECT_EQ(back.playListTop, s.playListTop);
    EXPECT_EQ(back.playListHeight, s.playListHeight);
    EXPECT_EQ(back, s);
}

TEST_F(PlayerFixture, DefaultsPlaceThePlaylistBelowTheWindowAsItStands) {
    Settings s;
    player->applySettings(s);
    EXPECT_EQ(player->collectSettings().playListTop, 141 + 135);
    EXPECT_EQ(player->skin().color(), QColor(13, 90, 219));
    EXPECT_EQ(player->window().height(), 135);
    s.eqShow = true;
    player->applySettings(s);
    EXPECT_EQ(player->collectSettings().playListTop, 141 + 178) << "below the open equalizer panel";
}

TEST_F(PlayerFixture, TheFirstShowingReadsTheFileOnce) {
    Settings s;
    s.mainLeft = 123;
    s.onTop = true;
    s.playMode = 1;
    ASSERT_TRUE(SaveSettings(dataFile("Options.ini"), s));
    player->window().show();
    EXPECT_EQ(player->window().pos(), QPoint(123, 141));
    EXPECT_TRUE(player->window().stayOnTop());
    EXPECT_EQ(player->window().playMode(), 1);
    // A later showing (a restore) does not read the file again.
    player->window().setPlayMode(2);
    player->window().hide();
    player->window().show();
    EXPECT_EQ(player->window().playMode(), 2);
}

TEST_F(PlayerFixture, ClosingWritesSettingsThenPlaylistAndFreesTheEngine) {
    player->addPaths({"/music/a.mp3", "/music/ignored.txt", "/music/b.flac"});
    ASSERT_EQ(player->playlist().count(), 2);
    int finished = 0;
    QObject::connect(player.get(), &Player::shutDownFinished, [&] { ++finished; });
    player->window().show();
    player->applySettings(Unusual()); // as if the user had changed everything
    player->window().close();
    EXPECT_EQ(finished, 1);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
    EXPECT_TRUE(called("closeOutput"));
    const Settings written = LoadSettings(dataFile("Options.ini"));
    EXPECT_EQ(written.volume, 50);
    EXPECT_EQ(written.playMode, 2);
    EXPECT_TRUE(written.onTop) << "written as it stands, although nobody touched it";
    const QByteArray m3u = readData("Default.m3u");
    EXPECT_TRUE(m3u.startsWith("#EXTM3U"));
    EXPECT_TRUE(m3u.contains("/music/a.mp3\r\n"));
    EXPECT_TRUE(m3u.contains("/music/b.flac"));
    EXPECT_FALSE(m3u.contains("ignored"));
    EXPECT_EQ(player->window().ticker().tickerOffset(), 115);
    EXPECT_TRUE(player->window().ticker().tickerText().isEmpty());
}

TEST_F(PlayerFixture, AnUnwritableDataFolderIsReportedAndTheCloseStillHappens) {
    // Data replaced by a plain file: nothing can be created inside it.
    ASSERT_TRUE(QDir(dataFile("")).removeRecursively());
    QFile blocker(home.path() + "/Data");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    player->addPaths({"/music/a.mp3"});
    int finished = 0;
    QObject::connect(player.get(), &Player::shutDownFinished, [&] { ++finished; });
    player->window().show();
    EXPECT_TRUE(player->window().close());
    EXPECT_FALSE(player->window().isVisible());
    EXPECT_EQ(finished, 1);
    EXPECT_TRUE(called("closeOutput")) << "the steps after the failed write still run";
    ASSERT_EQ(errors.size(), 2) << errors.join("; ").toStdString();
    EXPECT_TRUE(errors[0].contains("Options.ini"));
    EXPECT_TRUE(errors[1].startsWith("Cannot create file")) << errors[1].toStdString();
    EXPECT_TRUE(errors[1].contains("Default.m3u"));
}

TEST_F(PlayerFixture, TheDefaultPlaylistLoadsWhenPresent) {
    QFile m3u(dataFile("Default.m3u"));
    ASSERT_TRUE(m3u.open(QIODevice::WriteOnly));
    m3u.write("#EXTM3U\r\n#EXTINF:206,\r\n/music/one.mp3\r\n/music/two.ogg\r\n");
    m3u.close();
    player->loadDefaultPlaylist();
    ASSERT_EQ(player->playlist().count(), 2);
    EXPECT_EQ(player->playlist().Row(1).Path, QByteArray("/music/two.ogg"));
    ASSERT_TRUE(QFile::remove(dataFile("Default.m3u")));
    player->loadDefaultPlaylist();
    EXPECT_EQ(player->playlist().count(), 2) << "a missing file adds nothing";
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(PlayerFixture, ThePlayBoxStartsTheSelectedTrackAndTheTickerShowsIt) {
    const QString file = home.path() + "/song.mp3";
    QFile touch(file);
    ASSERT_TRUE(touch.open(QIODevice::WriteOnly));
    touch.close();
    FakeTrack track;
    track.artist = "Artist";
    track.title = "Song";
    track.lengthSeconds = 100; // far from its end: nothing is opened to follow it yet
    engine.files[file.toStdString()] = track;
    player->addPaths({QFile::encodeName(file)});
    PressButton& play = player->window().pressButton(PressKind::Play);
    play.press({5, 5}, Qt::LeftButton);
    EXPECT_EQ(engine.createCount(file.toStdString()), 1);
    EXPECT_NE(player->playback().controller.Channel(), 0u);
    EXPECT_EQ(player->window().ticker().tickerText(), QString("Artist - Song"));
    EXPECT_EQ(player->window().ticker().tickerOffset(), 224);
    PressButton& stop = player->window().pressButton(PressKind::Stop);
    stop.press({5, 5}, Qt::LeftButton);
    EXPECT_EQ(player->playback().controller.Channel(), 0u);
    EXPECT_TRUE(player->window().ticker().tickerText().isEmpty());
}

// The pixels of `colour` that the window system shows of `window` (off-screen: its backing store)
// in `area` of it; the corners its mask cuts away are not shown.
int ShownPixelsOf(QWidget& window, QRgb colour, QRect area = {}) {
    const QImage shown = window.screen()->grabWindow(window.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    const QRegion mask = window.mask().isEmpty() ? QRegion(shown.rect()) : window.mask();
    if (area.isNull()) area = shown.rect();
    int n = 0;
    for (int y = area.top(); y <= area.bottom() && y < shown.height(); ++y)
        for (int x = area.left(); x <= area.right() && x < shown.width(); ++x)
            n += shown.pixel(x, y) == colour && mask.contains(QPoint(x, y));
    return n;
}

// A colour set on the skin shows at once in both parts of the window, in the boxes that repaint often and in
// the ones that never would on their own, and no cached picture keeps the old colour.
TEST_F(PlayerFixture, ANewSkinColourShowsInBothPartsAndNothingKeepsTheOldOne) {
    const QString file = home.path() + "/song.mp3";
    QFile(file).open(QIODevice::WriteOnly);
    engine.files[file.toStdString()] = FakeTrack{.artist = "Artist", .title = "Song", .lengthSeconds = 300};
    player->addPaths({QFile::encodeName(file)});
    MainWindow& window = player->window();
    PlaylistWindow& list = player->playlistWindow();
    window.show();
    window.setPlaylistShown(true);
    window.pressButton(PressKind::Play).press({5, 5}, Qt::LeftButton);
    engine.position = engine.GetLength(player->playback().controller.Channel()) / 2;
    const QRect seekBar(10, 76, 302, 10), frameTitle(0, 0, 64, 30);
    const QRect listTitle = QRect(120, 2, 100, 22).translated(list.pos());
    const QRgb old = player->skin().rgb(), fresh = qRgb(200, 30, 120);
    ASSERT_TRUE(serveUntil([&] {
        return ShownPixelsOf(window, old, seekBar) > 100 && ShownPixelsOf(window, old, frameTitle) > 20 &&
               ShownPixelsOf(window, old, listTitle) > 10;
    })) << "the old colour on the screen first";

    player->skin().setColor(QColor::fromRgb(fresh));
    EXPECT_TRUE(serveUntil([&] { return ShownPixelsOf(window, old) == 0; }))
        << ShownPixelsOf(window, old) << " pixels keep the old colour";
    EXPECT_GT(ShownPixelsOf(window, fresh, seekBar), 100) << "the dotted line";
    EXPECT_GT(ShownPixelsOf(window, fresh, frameTitle), 20) << "the frame's title";
    EXPECT_GT(ShownPixelsOf(window, fresh, QRect(36, 100, 20, 20)), 10) << "the lit play button";
    EXPECT_GT(ShownPixelsOf(window, fresh, listTitle), 10) << "the playlist's ground";
    const QRect saveBox = list.boxOf(ListButtonKind::Save)->geometry().translated(list.pos());
    EXPECT_GT(ShownPixelsOf(window, fresh, saveBox), 5) << "its buttons";
}

TEST_F(PlayerFixture, TheModeBoxDrivesTheController) {
    LabelButton& mode = player->window().labelButton(LabelKind::Mode);
    mode.release({1, 1}, Qt::LeftButton);
    EXPECT_EQ(player->playback().controller.PlayMode(), 1);
    mode.release({1, 1}, Qt::LeftButton);
    mode.release({1, 1}, Qt::LeftButton);
    EXPECT_EQ(player->playback().controller.PlayMode(), 0);
}

TEST_F(PlayerFixture, ThePlaylistFollowsTheSettingsUnderTheMainPart) {
    Settings s = Unusual();
    s.playListLeft = 10; // an older version's playlist moved away from the main window
    s.playListTop = 400;
    player->applySettings(s);
    MainWindow& window = player->window();
    EXPECT_EQ(window.height(), 178 + 333);
    EXPECT_EQ(player->collectSettings().playListTop, 200 + 178) << "written where it now stands";
    window.labelButton(LabelKind::Equalizer).release({1, 1}, Qt::LeftButton); // closes the open panel
    window.labelButton(LabelKind::Playlist).press({1, 1}, Qt::LeftButton);
    window.labelButton(LabelKind::Playlist).release({1, 1}, Qt::LeftButton);
    const Settings back = player->collectSettings();
    EXPECT_FALSE(back.playListShow);
    EXPECT_EQ(back.playListLeft, 300);
    EXPECT_EQ(back.playListTop, 335);
    EXPECT_EQ(back.playListHeight, 333);
}

TEST_F(PlayerFixture, APlaylistThatOnlyHadToMoveKeepsItsHeightAndOneCutToFitIsWrittenBackWhole) {
    const int screen = player->window().screen()->availableGeometry().height();
    Settings s; // docked under the main window, whose default place leaves this one sticking out
    s.playListHeight = screen - 200;
    player->applySettings(s);
    EXPECT_EQ(player->playlistWindow().height(), screen - 200);
    s.playListHeight = screen + 100;
    player->applySettings(s);
    EXPECT_EQ(player->collectSettings().playListHeight, screen + 100);
}

TEST_F(PlayerFixture, EnterInTheListPlaysAndTheDeleteKeyMovesTheCursors) {
    QStringList files;
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) {
        files << home.path() + "/" + name;
        QFile(files.back()).open(QIODevice::WriteOnly);
        engine.files[files.back().toStdString()] = FakeTrack{.lengthSeconds = 10};
        player->addPaths({QFile::encodeName(files.back())});
    }
    PlaylistModel& playlist = player->playlist();
    PlaybackController& controller = player->playback().controller;
    PlaylistView& view = player->playlistWindow().list();
    const auto key = [&](int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent press(QEvent::KeyPress, k, modifiers);
        QApplication::sendEvent(&view, &press);
    };
    playlist.setSelected(2, true);
    key(Qt::Key_Return);
    EXPECT_EQ(engine.createCount(files[2].toStdString()), 1);
    EXPECT_EQ(controller.NavIndex(), 2);
    EXPECT_EQ(playlist.CurrentTrack(), 2);

    key(Qt::Key_A, Qt::ControlModifier);
    key(Qt::Key_Delete);
    EXPECT_EQ(playlist.count(), 0);
    EXPECT_EQ(controller.NavIndex(), -1);
    EXPECT_EQ(controller.LastIndex(), -1);
    EXPECT_EQ(playlist.CurrentTrack(), -1);
    EXPECT_NE(controller.Channel(), 0u) << "the track goes on playing";
}

// Files dropped on either window are added in their order; a playlist among them that cannot be
// read is reported after the drop has been answered, as its box must not run inside the handler.
TEST_F(PlayerFixture, DroppedFilesAreAddedInOrderAndABadPlaylistIsReportedOutsideTheDrop) {
    QFile m3u(home.path() + "/list.m3u");
    ASSERT_TRUE(m3u.open(QIODevice::WriteOnly));
    m3u.write("#EXTM3U\n/music/from-list.wav\n");
    m3u.close();
    bool insideDrop = false;
    QStringList errorsInsideDrop;
    player->showError = [&](const QString& message) {
        errors << message;
        if (insideDrop) errorsInsideDrop << message;
    };
    const auto drop = [&](QWidget& target, const QList<QUrl>& urls) {
        QMimeData mime;
        mime.setUrls(urls);
        QDragEnterEvent enter(QPoint(100, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&target, &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent event(QPointF(100, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        insideDrop = true;
        QApplication::sendEvent(&target, &event);
        insideDrop = false;
    };
    drop(player->playlistWindow(),
         {QUrl::fromLocalFile("/music/b.mp3"), QUrl::fromLocalFile("/music/notes.txt"),
          QUrl::fromLocalFile(m3u.fileName()), QUrl::fromLocalFile(home.path()),
          QUrl::fromLocalFile("/music/a.ogg")});
    drop(player->window(),
         {QUrl::fromLocalFile(home.path() + "/missing.m3u"), QUrl::fromLocalFile("/music/c.flac")});
    ASSERT_TRUE(serveUntil([&] { return player->playlist().count() == 4; }))
        << player->playlist().count() << " rows; a folder and a text file add nothing";
    EXPECT_EQ(player->playlist().Row(0).Path, "/music/b.mp3");
    EXPECT_EQ(player->playlist().Row(1).Path, "/music/from-list.wav") << "a playlist adds its rows";
    EXPECT_EQ(player->playlist().Row(2).Path, "/music/a.ogg");
    EXPECT_EQ(player->playlist().Row(3).Path, "/music/c.flac") << "the paths after a bad playlist are added";
    EXPECT_EQ(errors.size(), 1) << errors.join("; ").toStdString();
    EXPECT_TRUE(errorsInsideDrop.isEmpty()) << "an error box ran inside the drop's handler";
}

// Second starts hand over a playlist that cannot be read, the second while the error box about
// the first is open and the first start's connection is gone: the boxes open one after the other,
// outside the connection's handler, and the player lives on to report both.
TEST_F(PlayerFixture, HandedOverPlaylistsThatCannotBeReadAreReportedOneBoxAtATime) {
    SingleInstance instance(home.path());
    ASSERT_EQ(instance.claim(), SingleInstance::Claim::First);
    QObject::connect(&instance, &SingleInstance::pathsReceived, player.get(), &Player::queuePaths);
    const QByteArray missing = QFile::encodeName(home.path() + "/missing.m3u");
    std::atomic<int> delivered{0};
    std::atomic<bool> sending{true};
    int open = 0, mostOpen = 0;
    player->showError = [&](const QString& message) {
        errors << message;
        mostOpen = std::max(mostOpen, ++open);
        // A modal box runs the event loop until the user closes it: here, once both starts are done.
        serveUntil([&] { return !sending; });
        --open;
    };
    std::thread starts([&] {
        for (int i = 0; i < 2; ++i)
            if (SingleInstance::sendPaths(home.path(), {missing}, 10000)) ++delivered;
        sending = false;
    });
    const bool reported = serveUntil([&] { return !sending && errors.size() == 2; });
    starts.join();
    EXPECT_EQ(delivered, 2);
    EXPECT_TRUE(reported) << errors.join("; ").toStdString();
    EXPECT_EQ(mostOpen, 1) << "an error box opened on top of another";
    EXPECT_EQ(player->playlist().count(), 0);
}
