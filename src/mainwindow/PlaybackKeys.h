#pragma once
#include "AudioEngine.h"
#include "Playback.h"
#include "VolumeBar.h"

#include <QObject>

class QWidget;

// The keys of the player's windows: Z back, X play, C pause, V stop, B next, Space pause and go on,
// Left and Right 5 s back and on, Up and Down the volume bar's steps, and the media keys. Each does
// what its box does, through the same action; none changes a box's look.
class PlaybackKeys : public QObject {
  public:
    static constexpr int kSeekSeconds = 5;

    // All three outlive the keys.
    PlaybackKeys(Playback& playback, AudioEngine& engine, VolumeBar& volume);

    // The keys act while `window` is the active window; a list inside it may keep Up and Down for
    // its rows by claiming them before they are taken as shortcuts.
    void addWindow(QWidget& window);

    // A playing or paused track goes on, or pauses; otherwise playback starts.
    void pauseOrPlay();
    // Moves a playing or paused track by `seconds`, within the track.
    void seekBy(int seconds);

  private:
    Playback& playback_;
    AudioEngine& engine_;
    VolumeBar& volume_;
};
