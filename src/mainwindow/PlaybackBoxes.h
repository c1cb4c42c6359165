#pragma once
#include "BalanceBar.h"
#include "EqualizerCurve.h"
#include "EqualizerDefault.h"
#include "EqualizerSwitch.h"
#include "Playback.h"
#include "SeekBar.h"
#include "TimeDisplay.h"
#include "VolumeBar.h"

// The boxes of playback the main window shows, each acting through playback and following its
// signals. The window forwards each box's events to the BoxLogic below and copies its image.
struct PlaybackBoxes {
    PlaybackBoxes(Playback& playback, AudioEngine& engine, const Skin& skin)
        : volume(playback, skin), balance(playback, skin), curve(playback.equalizer, skin),
          eqSwitch(playback.equalizer), eqDefault(playback.equalizer, skin), seekBar(playback, engine, skin),
          time(engine, playback.state, skin) {
        const PlaybackController& controller = playback.controller;
        QObject::connect(&controller, &PlaybackController::positionTicked, &time, [this] {
            if (seekBar.tick()) time.refresh();
        });
        QObject::connect(&controller, &PlaybackController::timeChanged, &time, [this] { time.refresh(); });
        QObject::connect(&controller, &PlaybackController::stopped, &time, [this] {
            seekBar.reset();
            time.refresh();
        });
        // After the seek bar has drawn the new place.
        QObject::connect(&playback, &Playback::seeked, &time, [this] { time.refresh(); });
    }
    PlaybackBoxes(const PlaybackBoxes&) = delete;
    PlaybackBoxes& operator=(const PlaybackBoxes&) = delete;

    VolumeBar volume;           // VolBox
    BalanceBar balance;         // BalBox
    EqualizerCurve curve;       // EQBarBox
    EqualizerSwitch eqSwitch;   // EQActive
    EqualizerDefault eqDefault; // DefEQBox
    SeekBar seekBar;            // TrackBox
    TimeDisplay time;           // TimeBox
};
