#pragma once
#include "BeatTimer.h"
#include "ColourWindow.h"
#include "FileDialogs.h"
#include "HintWindow.h"
#include "InfoWindow.h"
#include "MainWindow.h"
#include "MprisControls.h"
#include "MprisService.h"
#include "Playback.h"
#include "PlaybackBoxes.h"
#include "PlaybackKeys.h"
#include "PlaylistAdder.h"
#include "PlaylistModel.h"
#include "PlaylistWindow.h"
#include "Settings.h"
#include "Skin.h"
#include "SpectrumAnalyser.h"
#include "TrackInfoCache.h"
#include "TrayIcon.h"
#include "WorkingSetTrimmer.h"

#include <QByteArrayList>
#include <QObject>
#include <QStringList>

#include <functional>

// The assembled player: playlist, playback, analyser, the main window and the playlist window wired
// together. It owns
// what the settings file restores and writes, and the shutdown order.
class Player : public QObject {
    Q_OBJECT
  public:
    Player(AudioEngine& engine, const QString& homeFolder);
    ~Player() override;

    MainWindow& window() { return window_; }
    PlaylistWindow& playlistWindow() { return playlistWindow_; }
    FileDialogs& dialogs() { return dialogs_; }
    PlaylistModel& playlist() { return playlist_; }
    Playback& playback() { return playback_; }
    PlaybackBoxes& playbackBoxes() { return boxes_; }
    SpectrumAnalyser& analyser() { return analyser_; }
    // The colour every window is painted in; a new colour shows at once.
    Skin& skin() { return skin_; }
    TrayIcon& tray() { return tray_; }
    ColourWindow& colourWindow() { return colour_; }

    // Paths from the command line or the files dialog, in their order. A playlist that cannot be
    // read is reported; the paths before it stay added.
    void addPaths(const QByteArrayList& paths);
    // Gives unused heap back to the system once the event loop runs again (after start-up work).
    void trimSoon() { trimmer_.trimSoon(); }
    // Starts row `row` when the list holds it: the first row a --play start added.
    void playRowIfAdded(int row);
    // Paths handed over from another process or dropped on a window: added from the event loop,
    // never inside the handler that received them, and one batch at a time, so a message box about
    // one waits neither inside a socket's or a drop's handler nor under a pile of boxes about the others.
    // A batch whose first path is empty asks that the first row it adds play (a --play start).
    void queuePaths(const QByteArrayList& paths);
    // The playlist of the last run, when there is one.
    void loadDefaultPlaylist();

    // Every value in the order the owners depend on each other.
    void applySettings(const Settings& settings);
    Settings collectSettings() const;

    // Writes the settings and the playlist and releases the engine. Failures are reported but never
    // keep the window open: the user must always be able to quit.
    void shutdown();
    bool isShutDown() const { return shutDown_; }

    QString optionsPath() const;
    QByteArray defaultPlaylistPath() const;

    // How failures reach the user; a message box unless a test replaces it.
    std::function<void(const QString& message)> showError;
    // Set to the id of a font registered at start-up, removed at exit.
    int titleFontId = -1;

  signals:
    // The close has begun: from here on, nothing handed over would be kept.
    void shuttingDown();
    void shutDownFinished();

  private:
    // Shows a failed file operation's error; nothing for a success.
    void report(const FileResult& result);
    void wire();
    void wirePlaylistWindow();
    void openFiles();
    void updateVisTimer();
    void addQueuedPaths();
    void wireMpris();
    void openAndPlay(const QByteArray& path);

    AudioEngine& engine_;
    QString home_;
    // What the windows share: the animations' beat, the skin and the one hint window.
    Beat beat_;
    Skin skin_;
    HintWindow hint_{skin_};
    PlaylistModel playlist_;
    PlaylistAdder adder_{playlist_};
    TrackInfoCache trackInfo_;
    FileDialogs dialogs_;
    Playback playback_{engine_, playlist_, beat_};
    PlaybackBoxes boxes_{playback_, engine_, skin_};
    PlaybackKeys keys_{playback_, engine_, boxes_.volume};
    SpectrumAnalyser analyser_{skin_};
    MainWindow window_{skin_, hint_, beat_};
    InfoWindow info_{engine_, playback_.controller, skin_};
    ColourWindow colour_{skin_};
    PlaylistWindow playlistWindow_;
    BeatTimer visTimer_{beat_};
    // After the windows it hides and shows, so it goes before them.
    TrayIcon tray_{window_};
    WorkingSetTrimmer trimmer_;
    // The desktop's media keys and sound applet reach the player through these.
    MprisControls mprisControls_{engine_, playback_, playlist_};
    MprisService mpris_{mprisControls_};
    bool shutDown_ = false;
    // The playlist height the settings asked for and the one fitting the screen gave the window.
    int savedPlaylistHeight_ = 0;
    int fittedPlaylistHeight_ = -1;
    // The settings last applied: where a compositor places the window, their places are kept.
    Settings applied_;
    QList<QByteArrayList> queuedPaths_;
    bool queueDrainPending_ = false;
    bool addingQueuedPaths_ = false;
};
