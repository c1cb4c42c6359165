#pragma once
#include "AudioEngine.h"

#include <memory>

// The engine the player plays through; its output follows $VEXO_AUDIO.
std::unique_ptr<AudioEngine> MakeEngine();
