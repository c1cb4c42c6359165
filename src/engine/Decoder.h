#pragma once
// One open file turned into stereo float frames at the output rate.
//
// Threads: opened and started on the GUI thread, then owned by the engine's
// decoder thread; never touched by the audio callback. Calls may block on the
// file.

#include "CoverArt.h"
#include "StreamFacts.h"

#include <chrono>
#include <cstdint>
#include <optional>

class Decoder {
  public:
    virtual ~Decoder() = default;

    using Deadline = std::chrono::steady_clock::time_point;

    virtual const StreamFacts& facts() const = 0;
    // The cover the file's tags carry, read with the header; the first call takes it.
    virtual std::optional<CoverArt> takeCoverArt() { return std::nullopt; }
    // Until lifted with Deadline::max(), a read still searching the file at
    // the deadline gives up, and the decoder counts as damaged for good: the
    // window's thread must never wait long on a file.
    virtual void limitReadsTo(Deadline deadline) { (void)deadline; }
    // True once a read gave up at its deadline.
    virtual bool timedOut() const { return false; }
    // True when reading ended because the file could not be decoded further,
    // not because its audio was all read.
    virtual bool failed() const { return timedOut(); }
    // Prepares decoding to interleaved stereo at outputRate. False when the
    // codec cannot be opened; the stream then plays nothing.
    virtual bool start(int outputRate) = 0;
    // Writes up to `frames` stereo frames; fewer only at the end, 0 once ended.
    virtual int read(float* stereo, int frames) = 0;
    // Moves to `sourceFrame` (at the file's own rate). False leaves the
    // position where it was.
    virtual bool seek(std::int64_t sourceFrame) = 0;
};
