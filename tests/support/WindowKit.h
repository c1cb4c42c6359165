#pragma once
// What the player hands each of its windows: the animations' beat, the skin and the hint window.
#include "BeatTimer.h"
#include "HintWindow.h"
#include "Skin.h"

struct WindowKit {
    Beat beat;
    Skin skin;
    HintWindow hint{skin};
};
