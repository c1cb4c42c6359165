#pragma once
// WAV files are RIFF chunks, and what follows the last chunk is nobody's audio. A file grown past
// its chunks (a tail of zeros from a copy or a disk tool) would otherwise send FFmpeg's reader
// looking for more chunks through all of it, eight bytes at a time, for gigabytes.

#include <cstdint>

class GuardedFile;

// Where a RIFF WAVE file's chain of chunks from its start ends, when the chain holds a data chunk
// of known size; -1 otherwise (not such a file, or a data chunk whose writer never gave its size,
// which runs to the end of the file).
std::int64_t riffWaveEnd(GuardedFile& file);
