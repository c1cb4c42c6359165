#pragma once
// Playback on a scripted playlist, with the boxes the main window shows of it.
#include "PlaybackBoxes.h"
#include "PlaybackRig.h"
#include "Skin.h"

inline const QColor kTestSkin{13, 90, 219};

struct PlaybackBoxesRig : PlaybackRig {
    Skin skin{kTestSkin};
    PlaybackBoxes boxes{playback, engine, skin};
};
