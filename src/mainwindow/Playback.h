#pragma once
#include "BalanceBar.h"
#include "Equalizer.h"
#include "EqualizerCurve.h"
#include "EqualizerDefault.h"
#include "EqualizerSwitch.h"
#include "PlaybackController.h"
#include "PlaybackState.h"
#include "SeekBar.h"
#include "TimeDisplay.h"
#include "VolumeBar.h"

// Everything of playback the main window shows, built in the order its parts need each other: the
// shared stream state first, then the boxes acting on it, then the controller, whose signals the
// boxes follow. The window forwards each box's events to the BoxLogic below and copies its image.
struct Playback {
    Playback(AudioEngine& engine, PlaylistModel& playlist, const Skin& skin, Beat& beat)
        : volume(engine, state, skin), balance(engine, state, skin), equalizer(engine, state),
          curve(equalizer, skin), eqSwitch(equalizer), eqDefault(equalizer, skin), seekBar(engine, state, skin),
          time(engine, state, skin), controller(engine, playlist, state, equalizer, beat) {
        QObject::connect(&controller, &PlaybackController::streamOpened, &controller, [this] {
            volume.applyVolume();
            balance.applyPan();
        });
        QObject::connect(&controller, &PlaybackController::positionTicked, &controller, [this] {
            if (seekBar.tick()) time.refresh();
        });
        QObject::connect(&controller, &PlaybackController::timeChanged, &controller, [this] { time.refresh(); });
        QObject::connect(&controller, &PlaybackController::stopped, &controller, [this] {
            seekBar.reset();
            time.refresh();
        });
        seekBar.seeked = [this] { time.refresh(); };
    }
    Playback(const Playback&) = delete;
    Playback& operator=(const Playback&) = delete;

    PlaybackState state;
    VolumeBar volume;   // VolBox
    BalanceBar balance; // BalBox
    Equalizer equalizer;
    EqualizerCurve curve;       // EQBarBox
    EqualizerSwitch eqSwitch;   // EQActive
    EqualizerDefault eqDefault; // DefEQBox
    SeekBar seekBar;            // TrackBox
    TimeDisplay time;           // TimeBox
    PlaybackController controller;
};
