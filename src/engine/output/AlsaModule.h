#pragma once
// ALSA lives in a module of its own (vexo-alsa.so), loaded only when the player looks for ALSA: with
// a sound server answering, libasound is never mapped.
//
// Threads: any; the first callers wait for one load between them.

#include "AudioOutput.h"

#include <memory>

// ALSA's default device as an output, or null when the module cannot be loaded.
std::unique_ptr<AudioOutput> makeAlsaOutput();

// The module's one entry point: an output the caller owns, or null.
extern "C" {
using AlsaMakeFunction = AudioOutput* (*)();
}
inline constexpr const char* kAlsaMakeSymbol = "vexo_alsa_make";
