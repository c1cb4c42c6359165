#pragma once
#include "AudioEngine.h"

#include <cstdint>

// The seek bar's width in pixels: a track's length is spread over it.
inline constexpr int kSeekBarPixels = 302;

// The stream the player has open, shared by the controller, which opens and frees it, and by the
// boxes that act on it (volume, pan, equalizer, seek bar, time). GUI thread only.
struct PlaybackState {
    StreamHandle Channel = 0;
    // Bytes of the stream per seek-bar pixel; 64 bits wide so hours-long tracks map correctly.
    std::int64_t BytesPerPixel = 0;
    // The position timer runs (from a track's start until Stop): the seek bar shows progress, not
    // the empty bar.
    bool PositionTimerOn = false;
    // The user paused the open stream: it stays where it is, and can still be moved.
    bool Paused = false;
};
