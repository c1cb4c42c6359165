#pragma once
#include "AudioEngine.h"
#include "PlaybackState.h"

#include "BeatTimer.h"
#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <random>

class Equalizer;
class PlaylistModel;

// Starts tracks and chooses the next one. PlayTrack is the only way a track starts: the transport
// buttons, the playlist and the end of a track all end in it. The playing row is the model's
// CurrentTrack; NavIndex is the cursor Back and Next move from; RepeatIndex the row one-track mode
// plays again. GUI thread only, apart from the engine's end-of-track callback, which only posts.
// It knows no box: the window that shows the seek bar, the time and the bars follows its signals.
class PlaybackController : public QObject {
    Q_OBJECT
  public:
    enum Mode { RepeatList = 0, RepeatOne = 1, Random = 2 };
    static constexpr int kPositionIntervalMs = 40;
    // The title ticker starts a new title just beyond its right edge (its box is 209 wide).
    static constexpr int kTickerStartOffset = 209 + 15;

    // The position timer runs on `beat`, which outlives the controller.
    PlaybackController(AudioEngine& engine, PlaylistModel& playlist, PlaybackState& state, Equalizer& equalizer,
                       Beat& beat, QObject* parent = nullptr);
    ~PlaybackController() override;

    // Starts row i from its beginning. An index outside the list is brought to its nearest row; an
    // empty list starts nothing. A row whose file is gone is removed and the next one follows.
    void PlayTrack(int i);

    // The transport buttons' actions (the press of the left button). Play starts the selected row
    // (the first without a selection) from its beginning, except that a paused track Play would
    // start goes on from where it stands.
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
    int CurrentTrack() const;
    int NavIndex() const { return navIndex_; }
    // The playlist window moves the cursor when it deletes rows (-1 after the last row went).
    void setNavIndex(int navIndex) { navIndex_ = navIndex; }
    int RepeatIndex() const { return repeatIndex_; }
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
    void playByMode(int listIndex);
    void afterStep();
    EndCallback trackEndNotice();
    void onTrackEnd(std::uint64_t serial, EndReason reason);
    int randomIndex(int count);

    AudioEngine& engine_;
    PlaylistModel& playlist_;
    PlaybackState& state_;
    Equalizer& equalizer_;

    int navIndex_ = 0, repeatIndex_ = 0, lastIndex_ = -1, playMode_ = RepeatList;
    QByteArray currentFile_;
    QString tickerText_;
    BeatTimer positionTimer_;
    // Numbers every start and stop. An end-of-track notice carries the number that armed it and is
    // dropped when another start or a stop came in between: it belongs to a stream no longer playing.
    // Tracks in a row that ended because they could not be decoded; a user's action starts anew.
    int failuresInARow_ = 0;
    std::uint64_t serial_ = 0;
    std::mt19937 random_{std::random_device{}()};
};
