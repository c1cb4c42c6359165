#include "Player.h"

#include "FileErrorText.h"
#include "Log.h"
#include "M3uWriter.h"
#include "PaintBox.h"
#include "PrivateFolder.h"
#include "SettingsFile.h"
#include "SkinColor.h"
#include "WindowGeometry.h"
#include "WindowSystem.h"

#include <QCoreApplication>
#include <QFile>
#include <QFontDatabase>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <string>

namespace {
constexpr int kVisIntervalMs = 60;
// The ticker's place once the player has closed.
constexpr int kClosedTickerOffset = 115;

} // namespace

Player::Player(AudioEngine& engine, const QString& homeFolder)
    : engine_(engine), home_(homeFolder), trackInfo_(engine),
      playlistWindow_(playlist_, adder_, trackInfo_, dialogs_, skin_, hint_) {
    showError = [this](const QString& message) {
        // Every box also goes to the log: a user without a screen to read it has the terminal.
        LogWarning(message.toStdString());
        QMessageBox::critical(&window_, QStringLiteral("Vexo MP"), message);
    };
    connect(&playlistWindow_, &PlaylistWindow::fileFailed, this,
            [this](const FileError& error) { showError(FileErrorText(error)); });
    wire();
    // An output that fails for good (a recording that cannot be written) ends playback, and says why.
    engine_.notifyOutputFailure([self = QPointer<Player>(this)](const std::string& why) {
        const QString text = QString::fromStdString(why);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, text] {
                if (!self || self->shutDown_) return;
                self->playback_.controller.stop();
                self->showError(text.left(1).toUpper() + text.mid(1) + '.');
            },
            Qt::QueuedConnection);
    });
}

Player::~Player() = default;

QString Player::optionsPath() const {
    return home_ + "/Data/Options.ini";
}

QByteArray Player::defaultPlaylistPath() const {
    return QFile::encodeName(home_ + "/Data/Default.m3u");
}

void Player::wire() {
    PlaybackController& controller = playback_.controller;

    // The press buttons' actions; their look and afterglow belong to the window.
    connect(&window_.pressButton(PressKind::Back), &PressButton::triggered, &playback_, &Playback::back);
    connect(&window_.pressButton(PressKind::Play), &PressButton::triggered, &playback_, &Playback::play);
    connect(&window_.pressButton(PressKind::Pause), &PressButton::triggered, &playback_, &Playback::pause);
    connect(&window_.pressButton(PressKind::Stop), &PressButton::triggered, &playback_, &Playback::stop);
    connect(&window_.pressButton(PressKind::Next), &PressButton::triggered, &playback_, &Playback::next);
    connect(&window_.pressButton(PressKind::Open), &PressButton::triggered, this, &Player::openFiles);
    window_.pressButton(PressKind::Open).modalAction = true;
    // The keys act through the same playback over the whole window; the list keeps Up and Down for
    // its rows.
    keys_.addWindow(window_);
    // A paused track may go on without a new start, and a resumed stream moves the bars again.
    connect(&playback_, &Playback::playOrPauseAsked, this, &Player::updateVisTimer);

    window_.trackPlaying = [&controller] { return controller.positionTimerActive(); };
    // The mode button's picture follows a mode set by anyone, a client of the desktop too.
    connect(&window_, &MainWindow::modeChanged, &playback_, &Playback::setPlayMode);
    connect(&controller, &PlaybackController::playModeChanged, &window_, &MainWindow::setPlayMode);
    connect(&controller, &PlaybackController::tickerTextChanged, this,
            [this](const QString& text, int offset) {
                window_.ticker().setTickerText(text);
                window_.ticker().setTickerOffset(offset);
            });
    connect(&controller, &PlaybackController::trackStarted, this, [this] { updateVisTimer(); });
    connect(&window_, &MainWindow::pathsDropped, this, &Player::queuePaths);
    connect(&window_, &MainWindow::infoWindowRequested, &info_, &InfoWindow::open);
    connect(&window_, &MainWindow::colourWindowRequested, this,
            [this] { colour_.open(QRect(window_.pos(), QSize(window_.width(), window_.mainPartHeight()))); });
    wirePlaylistWindow();
    connect(&window_, &MainWindow::firstShown, this, [this] {
        int refused = 0;
        applySettings(LoadSettings(optionsPath(), &refused));
        // The player runs on defaults and keeps its hands off the file; the box waits for the window.
        if (refused)
            QTimer::singleShot(0, this, [this, refused] {
                showError(FileErrorText({FileError::Step::Open, QFile::encodeName(optionsPath()), refused}));
            });
    });
    connect(&window_, &MainWindow::closing, this, &Player::shutdown);
    connect(&window_, &MainWindow::minimiseRequested, &tray_, &TrayIcon::minimise);
    tray_.addSideWindow(&info_);
    tray_.addSideWindow(&colour_);
    OpenOver(info_, window_);
    OpenOver(colour_, window_);

    window_.addBox(boxes_.time, {8, 30});
    window_.addBox(analyser_, SpectrumAnalyser::kPlace);
    // The analyser's ground is cut from the frame's, whose gradient spans the main part's height.
    connect(&window_, &MainWindow::mainPartHeightChanged, &analyser_, &SpectrumAnalyser::setWindowHeight);
    window_.addBox(boxes_.seekBar, {10, 76});
    // The bars tell their value in the hint as the pointer passes over them, button held or not;
    // every other box hears of moves only while a button is held.
    PaintBox* volumeBox = window_.addBox(boxes_.volume, {160, 98});
    volumeBox->setMouseTracking(true);
    window_.setWheelBox(volumeBox);
    window_.addBox(boxes_.balance, {165, 112})->setMouseTracking(true);
    window_.addBox(boxes_.curve, {8, 138});
    window_.addBox(boxes_.eqSwitch, {120, 139});
    window_.addBox(boxes_.eqDefault, {120, 156});

    wireMpris();

    visTimer_.setInterval(kVisIntervalMs);
    connect(&visTimer_, &BeatTimer::timeout, this, [this] {
        // Back on the screen, the bars stand as low as the frames left out would have let them
        // fall; no bar falls further than its full height.
        const int frames = 1 + std::min(visTimer_.missedTimeouts(), SpectrumLevels::kHeightLimitPx);
        for (int frame = 0; frame < frames; ++frame)
            // A fallen analyser with no stream playing has nothing to show: stop waking up.
            if (!analyser_.tick(engine_, playback_.controller.Channel())) return visTimer_.stop();
    });
}

void Player::wirePlaylistWindow() {
    PlaybackController& controller = playback_.controller;
    window_.setPlaylistPart(&playlistWindow_);
    connect(&playlistWindow_, &PlaylistWindow::pathsDropped, this, &Player::queuePaths);
    connect(&playlistWindow_, &PlaylistWindow::playRequested, this,
            [&controller] { controller.playFromList(); });
    connect(&playlistWindow_, &PlaylistWindow::rowCountChecked, this,
            [&controller] { controller.refreshLastIndex(); });
    connect(&playlistWindow_, &PlaylistWindow::rowsDeletedByKey, this, [this, &controller] {
        controller.refreshLastIndex();
        if (playlist_.count() == 0) controller.setNavIndex(-1);
    });
}

void Player::wireMpris() {
    // Beside the instance's socket, where no other user may read what the user listens to.
    mprisControls_.keepCoversIn(PrivateFolder(nullptr));
    connect(&mprisControls_, &MprisControls::raiseRequested, this, [this] {
        tray_.restore();
        if (!window_.isVisible()) return;
        window_.raise();
        window_.activateWindow();
    });
    // From the event loop: the close may show a message box, which must not wait inside the bus's
    // handler.
    connect(&mprisControls_, &MprisControls::quitRequested, this,
            [this] { QTimer::singleShot(0, &window_, &QWidget::close); });
    connect(&mprisControls_, &MprisControls::openRequested, this, [this](const QByteArray& path) {
        QTimer::singleShot(0, this, [this, path] { openAndPlay(path); });
    });
    // Only once the window shows, which it does without waiting for the bus: before that, no
    // settings are applied that a Quit could save.
    connect(&window_, &MainWindow::firstShown, this,
            [this] { QTimer::singleShot(0, this, [this] { mpris_.registerOnSessionBus(); }); });
}

void Player::openAndPlay(const QByteArray& path) {
    // As a second start hands over its paths; then the first of the new rows plays.
    if (shutDown_) return;
    const int before = playlist_.count();
    addPaths({path});
    playRowIfAdded(before);
}

void Player::playRowIfAdded(int row) {
    if (shutDown_ || row < 0 || row >= playlist_.count()) return;
    playback_.controller.setNavIndex(row);
    playback_.controller.PlayTrack(row);
    updateVisTimer();
}

void Player::updateVisTimer() {
    if (!visTimer_.isActive() && !shutDown_) visTimer_.start();
}

void Player::report(const FileResult& result) {
    if (!result.ok()) showError(FileErrorText(result));
}

void Player::addPaths(const QByteArrayList& paths) {
    for (const QByteArray& path : paths) {
        if (path.isEmpty()) continue;
        report(adder_.AddByPath(path));
    }
}

void Player::queuePaths(const QByteArrayList& paths) {
    queuedPaths_.append(paths);
    if (queueDrainPending_ || addingQueuedPaths_) return;
    queueDrainPending_ = true;
    QTimer::singleShot(0, this, &Player::addQueuedPaths);
}

void Player::addQueuedPaths() {
    queueDrainPending_ = false;
    // An error box shown below runs an event loop, in which more hand-offs may arrive: they wait
    // in the queue for this loop, after the box has closed.
    if (addingQueuedPaths_) return;
    addingQueuedPaths_ = true;
    while (!queuedPaths_.isEmpty() && !shutDown_) {
        const QByteArrayList batch = queuedPaths_.takeFirst();
        const int before = playlist_.count();
        addPaths(batch);
        LogDebug("the list has " + std::to_string(playlist_.count()) + " rows after a hand-off or a drop");
        if (!batch.isEmpty() && batch.first().isEmpty()) playRowIfAdded(before);
    }
    addingQueuedPaths_ = false;
}

void Player::loadDefaultPlaylist() {
    const QByteArray path = defaultPlaylistPath();
    if (!QFile::exists(QFile::decodeName(path))) return;
    report(adder_.LoadPlaylist(path));
}

void Player::openFiles() {
    const QStringList files = dialogs_.openFiles(&window_);
    QByteArrayList paths;
    for (const QString& file : files)
        paths.append(QFile::encodeName(file));
    addPaths(paths);
}

void Player::applySettings(const Settings& s) {
    applied_ = s;
    QList<QRect> screens;
    if (const QScreen* shown = window_.screen())
        for (const QScreen* screen : shown->virtualSiblings())
            screens.append(screen->availableGeometry());
    window_.setStayOnTop(s.onTop);
    boxes_.volume.setVolPos(s.volume);
    boxes_.balance.setBalance(s.balans, s.balansX);
    window_.ticker().setDirection(s.runStringScroll);
    window_.setPlayMode(s.playMode);
    playback_.controller.setPlayMode(s.playMode);
    boxes_.time.setTimeMode(s.timeMode);
    if (s.eqShow) window_.setEqShown(true);
    // No stream exists yet: this only decides whether the next track gets the equalizer.
    playback_.equalizer.switchEq(s.eqEnable);
    playback_.equalizer.setEqParams(s.eqParams);
    skin_.setColor(ColorFromColorRef(std::uint32_t(s.color)));
    // Taken after the height above, so the playlist lies below an open equalizer panel. It is part of
    // the main window, so a place of its own in the file (an older version's) is not followed: the
    // two are fitted onto the screens as one, the main part moving rather than the playlist being cut.
    const DockedPlaces places =
        FitDocked({s.mainLeft, s.mainTop}, {window_.width(), window_.mainPartHeight()}, s.playListHeight,
                  playlistWindow_.minimumHeight(), screens);
    window_.move(places.main.topLeft());
    window_.setPlaylistHeight(places.playlist.height());
    savedPlaylistHeight_ = s.playListHeight;
    fittedPlaylistHeight_ = window_.playlistHeight();
    window_.setPlaylistShown(s.playListShow);
    window_.update();
}

Settings Player::collectSettings() const {
    Settings s;
    const MainWindow& w = window_;
    s.mainLeft = w.x();
    s.mainTop = w.y();
    s.onTop = w.stayOnTop();
    s.volume = playback_.VolPos();
    s.balans = playback_.BalValue();
    s.balansX = playback_.BalPos();
    s.runStringScroll = w.ticker().direction();
    s.playMode = w.playMode();
    s.timeMode = boxes_.time.TimeMode();
    s.color = int(ColorToColorRef(skin_.color()));
    s.eqShow = w.eqShown();
    s.eqEnable = playback_.equalizer.EQEnabled();
    s.eqParams = playback_.equalizer.EQParams();
    s.playListShow = w.playlistShown();
    // Where the playlist stands on the screen, right under the main part, for older versions.
    s.playListLeft = w.x();
    s.playListTop = w.y() + w.mainPartHeight();
    // A compositor places the window and never tells where: the places an X11 session saved stay.
    if (CompositorPlacesWindows()) {
        s.mainLeft = applied_.mainLeft;
        s.mainTop = applied_.mainTop;
        s.playListLeft = applied_.playListLeft;
        s.playListTop = applied_.playListTop;
    }
    // A height cut to fit a smaller screen is not the user's: theirs comes back on a screen that holds it.
    s.playListHeight =
        w.playlistHeight() == fittedPlaylistHeight_ ? savedPlaylistHeight_ : w.playlistHeight();
    return s;
}

void Player::shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    emit shuttingDown();
    QStringList failures;
    if (const int err = WriteSettings(optionsPath(), collectSettings()))
        failures << FileErrorText({FileError::Step::Create, QFile::encodeName(optionsPath()), err});
    if (const FileResult saved = SavePlaylist(defaultPlaylistPath(), playlist_, &trackInfo_); !saved.ok())
        failures << FileErrorText(saved);
    tray_.remove();
    if (titleFontId >= 0) QFontDatabase::removeApplicationFont(titleFontId);
    // Only now may the playlist window close; a folder still being walked stops with it.
    playlistWindow_.setAppClosing(true);
    playlistWindow_.close();
    playback_.controller.shutdown();
    engine_.closeOutput();
    visTimer_.stop();
    window_.ticker().setTickerText(QString());
    window_.ticker().setTickerOffset(kClosedTickerOffset);
    // Reported only now, when everything is saved that can be: the close goes on either way.
    for (const QString& failure : failures)
        showError(failure);
    emit shutDownFinished();
}
