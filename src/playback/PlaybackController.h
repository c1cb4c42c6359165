#pragma once
#include "AudioEngine.h"
#include "PlaybackState.h"

#include "BeatTimer.h"
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <random>
#include <set>

class Equalizer;
class PlaylistModel;

// Starts tracks and chooses the next one. PlayTrack is the only way a track starts: the transport
// buttons, the playlist and the end of a track all end in it. The playing row is the model's
// CurrentTrack; NavIndex is the cursor Back and Next move from; RepeatIndex the row one-track mode
// plays again. The playlist keeps all three on their rows while the user edits it. GUI thread
// only, apart from the engine's end-of-track callback, which only posts.
// It knows no box: the window that shows the seek bar, the time and the bars follows its signals.
//
// It never waits for a file: the engine opens tracks on its own threads, the title shows the file
// name until the tags are read, and a file that is missing or does not open is reported through
// the end-of-track notice. Near a track's end the track the play mode picks next is opened to
// follow it; the engine starts it at the very next sample, and the displays follow once it is
// heard. Whatever the user does before (a step, Stop, another mode, an edit of the list) drops it.
class PlaybackController : public QObject {
    Q_OBJECT
  public:
    enum Mode { RepeatList = 0, RepeatOne = 1, Random = 2 };
    static constexpr int kPositionIntervalMs = 40;
    // The title ticker starts a new title just beyond its right edge (its box is 209 wide).
    static constexpr int kTickerStartOffset = 209 + 15;
    // How long before a track's end the next one is opened: time for a disk to spin up.
    static constexpr int kFollowLeadSeconds = 12;

    // The position timer runs on `beat`, which outlives the controller.
    PlaybackController(AudioEngine& engine, PlaylistModel& playlist, PlaybackState& state,
                       Equalizer& equalizer, Beat& beat, QObject* parent = nullptr);
    ~PlaybackController() override;

    // Starts row i from its beginning. An index outside the list is brought to its nearest row; an
    // empty list starts nothing. A row whose file is gone is removed and the row that took its
    // place follows; a file that does not open is passed over as one that fails while playing.
    void PlayTrack(int i);

    // The transport buttons' actions (the press of the left button). Play starts the selected row
    // (the first without a selection) from its beginning, except that a paused track goes on from
    // where it stands unless the user has selected another row since the pause.
    void play();
    void pause();
    void stop();
    void back();
    void next();
    // Enter or a double click in the playlist: the cursor moves to the selected row, which starts;
    // with no row selected nothing starts.
    void playFromList();
    // 0 -> 1 -> 2 -> 0; a mode outside 0..2 (an edited settings file) goes back to 0.
    void cyclePlayMode();
    // One tick of the position timer: the position's displays follow the stream.
    void positionTick();
    // At exit: the stream is stopped and freed and nothing will start again by itself.
    void shutdown();

    StreamHandle Channel() const { return state_.Channel; }
    // A follower already heard becomes the playing stream now, before the user acts on it.
    void settleTakeover();
    // The stream opened to follow the playing one, or 0.
    StreamHandle Follower() const { return follower_; }
    int CurrentTrack() const;
    // The row Back and Next step from (-1: before the first row).
    int NavIndex() const;
    void setNavIndex(int navIndex);
    int RepeatIndex() const;
    int LastIndex() const { return lastIndex_; }
    void refreshLastIndex();
    int PlayMode() const { return playMode_; }
    void setPlayMode(int mode);
    const QByteArray& CurrentFile() const { return currentFile_; }
    const QString& TickerText() const { return tickerText_; }
    bool positionTimerActive() const { return positionTimer_.isActive(); }

  signals:
    // A stream was made for a track and is about to play: the volume and pan to apply to it.
    void streamOpened();
    void trackStarted(int index);
    // The playing track's file is open: its tags, length and cover can be read.
    void trackFactsRead();
    // The position timer ticked while a stream is open.
    void positionTicked();
    // The time shown is no longer the stream's: a track started, or a row's file was missing.
    void timeChanged();
    // No stream any more (Stop, or the player closing): the position's displays go empty.
    void stopped();
    // A new title line and the scroll offset the ticker starts it from.
    void tickerTextChanged(const QString& text, int tickerOffset);
    void playModeChanged(int mode);
    // The open stream was paused or goes on again.
    void pauseChanged();

  private:
    void freeChannel();
    // The part of a start the user sees: the row, the title and the marks.
    void showTrack(int row, const QByteArray& path);
    void watchTrack();
    void onTrackOpened(std::uint64_t serial);
    void openFollower();
    void dropFollower();
    // The follower becomes the playing stream.
    void adoptFollower();
    void playByMode(int listIndex);
    void afterStep();
    EndCallback trackEndNotice();
    void onTrackEnd(std::uint64_t serial, EndReason reason);
    int randomIndex(int count);

    AudioEngine& engine_;
    PlaylistModel& playlist_;
    PlaybackState& state_;
    Equalizer& equalizer_;

    int lastIndex_ = -1, playMode_ = RepeatList;
    QByteArray currentFile_;
    QString tickerText_;
    BeatTimer positionTimer_;
    StreamHandle follower_ = 0;
    StreamHandle afterFollower_ = 0; // follows follower_ while its takeover waits to be heard
    // The follower took over: the displays move to it once it is heard.
    bool takeoverPending_ = false;
    QTimer followTimer_;
    QTimer takeoverTimer_;
    // Numbers every start and stop. An end-of-track notice carries the number that armed it and is
    // dropped when another start or a stop came in between: it belongs to a stream no longer playing.
    std::uint64_t serial_ = 0;
    // The rows whose files failed to open or to decode since a track last played to its end or the
    // user acted. Once every row has failed the player stops going round; edits to the list start
    // the count anew, as its indices no longer hold.
    std::set<int> failedRows_;
    // The selection changed while the stream was paused: Play then starts the selected row.
    bool selectedSincePause_ = false;
    std::mt19937 random_{std::random_device{}()};
};
