#pragma once
#include "AudioEngine.h"
#include "Equalizer.h"
#include "PlaybackController.h"
#include "PlaybackState.h"

#include <QObject>

#include <cstdint>

class Beat;
class PlaylistModel;

// Playback as everything else drives it: the transport actions, the seek, the volume, the pan and
// the play mode. The window's boxes, the media-player interface and whoever else acts all come
// here, so each acts as the others do and every display hears of what any of them did. It owns
// the open stream's state, the equalizer and the controller. GUI thread only.
class Playback : public QObject {
    Q_OBJECT
  public:
    // The volume as the bar's marker stores it: 4 means 0 %, 104 means 100 %.
    static constexpr int kMinVolPos = 4, kMaxVolPos = 104;

    // The position timer runs on `beat`; the engine, the playlist and the beat outlive playback.
    Playback(AudioEngine& engine, PlaylistModel& playlist, Beat& beat, QObject* parent = nullptr);

    // The transport buttons' actions.
    void play();
    void pause();
    void stop();
    void back();
    void next();

    // A playing stream, or one the user paused.
    bool seekable() const;
    // Moves a seekable stream to bytePos; false without one.
    bool seekTo(std::int64_t bytePos);

    int VolPos() const { return volPos_; }
    // A settings file may hold any number; the engine only takes 0..100 %.
    void setVolPos(int volPos);
    // The pan sent to the engine and the balance bar's marker: set together but stored apart (the
    // settings keep both), neither derived from the other.
    float BalValue() const { return balValue_; }
    int BalPos() const { return balPos_; }
    void setBalance(float balValue, int balPos);

    int PlayMode() const { return controller.PlayMode(); }
    void setPlayMode(int mode);

    PlaybackState state;
    Equalizer equalizer;
    PlaybackController controller;

  signals:
    // Play or Pause was asked for: a paused track may go on without a new start.
    void playOrPauseAsked();
    // After every seek, once the stream stands at its new place.
    void seeked();
    // After every change of VolPos, whoever made it.
    void volumeChanged();
    void balanceChanged();

  private:
    // Each new stream starts without them, so they are sent to it as it opens.
    void applyVolume();
    void applyPan();

    AudioEngine& engine_;
    int volPos_ = kMinVolPos;
    float balValue_ = 0;
    int balPos_ = 0;
};
