#pragma once
// FFmpeg, with the hundred-odd libraries its codecs and demuxers pull in, lives in a module of its
// own that is loaded when the first file that needs it opens: a player that only meets the
// formats decoded by their own small libraries never maps it.
//
// Threads: any; the first callers wait for one load between them.

#include "Decoder.h"

#include <cstdint>
#include <memory>
#include <string>

// FFmpeg's decoder for the file with its header read by the deadline, or nullptr (also when the
// module cannot be loaded).
std::unique_ptr<Decoder> openWithFfmpeg(const std::string& path, Decoder::Deadline deadline);

// The module's one entry point: a decoder the caller owns, or null. The deadline travels as ticks
// of the steady clock since its epoch.
extern "C" {
using FfmpegOpenFunction = Decoder* (*)(const char* path, std::int64_t deadlineTicks);
}
inline constexpr const char* kFfmpegOpenSymbol = "vexo_ffmpeg_open";
