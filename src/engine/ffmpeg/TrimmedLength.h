#pragma once
// How many samples a stream holds once its encoder's delay and padding are taken off, where the
// file says so exactly and FFmpeg's reading does not keep it. FFmpeg skips the delay itself (edit
// lists, iTunes' priming figure, Opus pre-skip), but an MP4's padding is only cut to the edit
// list's length in the movie's coarse time scale (a millisecond when FFmpeg wrote the file), and
// iTunes' own count of the samples is not used at all.

#include <cstdint>

struct AVFormatContext;
struct AVStream;
class GuardedFile;

// The length at the stream's sample rate, or -1 when the file does not tell it.
std::int64_t trimmedLength(const AVFormatContext& format, const AVStream& stream, GuardedFile& file);
