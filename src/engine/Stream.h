#pragma once
// One open stream, shared by three threads once it has been played.
//
// Ownership, field by field:
// - GUI thread: creates it, owns `decoder` until the first Play (which
//   prefills `ring` and hands the stream over), writes the control atomics
//   and asks for seeks.
// - Decoder thread: owns `decoder` afterwards, produces into `ring`, performs
//   seeks (marking where stale audio ends), fires the end syncs.
// - Audio callback: consumes `ring`, applies `eq`, pan and volume, stamps
//   `clock` and `tap`, and marks the end. It reads every control atomic once
//   per block and never waits.
//
// Seeks carry serial numbers: the GUI bumps `seekRequest`; the decoder seeks
// and publishes `seekDone` with `flushMark` (ring position where the new
// audio starts); the callback discards up to the mark and publishes
// `appliedSerial`. End marks carry the serial too, so an end that belongs to
// the audio before a seek is never taken for the new one.

#include "AudioEngine.h"
#include "Decoder.h"
#include "EqBank.h"
#include "PlayClock.h"
#include "SpectrumTap.h"
#include "SpscRing.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

inline constexpr std::uint32_t kNoSerial = 0xFFFFFFFFu;

// Where a stream stood when the mixer began one slice of output, so that
// audio already handed to the output can be made again from there.
struct MixMark {
    std::int64_t frame = -1; // mixer frame of the slice start; -1 when unused
    std::uint64_t ringRead = 0;
    std::int64_t tapWritten = 0;
    std::int64_t mixedFrames = 0;
    std::int64_t lastEndFrame = 0;
    std::uint32_t endedSerial = kNoSerial;
    EqBank::History eq;
};

struct EndSync {
    std::uint32_t handle = 0;
    EndCallback callback;
    std::uint32_t firedSerial = kNoSerial; // the end it was last called for
};

struct Stream {
    explicit Stream(std::unique_ptr<Decoder> d, std::string file = {})
        : decoder(std::move(d)), facts(decoder->facts()), coverArt(decoder->takeCoverArt()),
          path(std::move(file)) {}

    std::unique_ptr<Decoder> decoder;
    const StreamFacts facts;
    const std::optional<CoverArt> coverArt;
    const std::string path;         // for the log
    std::unique_ptr<SpscRing> ring; // made at the first Play, before the stream is shared
    int aheadFrames = 0;            // how far the decoder runs ahead; the ring also keeps history
    int outputRate = 0;

    // GUI → audio.
    std::atomic<bool> running{false};
    std::atomic<float> volume{1.0f}; // linear
    std::atomic<float> pan{0.0f};
    EqBank eq;

    // Seeks: GUI → decoder → audio.
    std::atomic<std::uint32_t> seekRequest{0};
    std::atomic<std::int64_t> seekTargetFrames{0}; // at the file's rate
    std::atomic<std::uint32_t> seekDone{0};
    std::atomic<std::uint64_t> flushMark{0};
    std::atomic<std::uint32_t> eofSerial{kNoSerial}; // the serial whose audio is all in the ring

    // Audio → everyone.
    std::atomic<std::uint32_t> appliedSerial{0};
    std::atomic<std::uint32_t> endedSerial{kNoSerial}; // its last frame went to the output
    PlayClock clock;
    SpectrumTap tap;

    // End syncs: GUI adds, decoder thread calls; `freed` stops calls for a stream being freed.
    std::mutex syncMutex;
    std::vector<EndSync> syncs;
    bool freed = false;

    // Decoder thread only.
    std::uint32_t decoderSerial = 0;
    bool decoderEnded = false;
    bool decoderFailed = false; // it ended because the file could not be decoded

    // Audio callback only.
    std::uint32_t mixSerial = 0;
    std::int64_t mixedFrames = 0;
    std::int64_t lastEndFrame = 0;
    // Marks of the latest slices (made with the ring; none when the output
    // never asks for audio again), and the mark of where the mixer first
    // took the stream or applied its latest seek.
    std::unique_ptr<MixMark[]> marks;
    int markCount = 0;
    MixMark origin;

    // GUI thread: true when the stream's audio up to the latest seek has all been played.
    bool ended() const {
        return endedSerial.load(std::memory_order_acquire) == seekRequest.load(std::memory_order_relaxed);
    }
    // GUI thread.
    void requestSeek(std::int64_t sourceFrame) {
        seekTargetFrames.store(sourceFrame, std::memory_order_relaxed);
        seekRequest.fetch_add(1, std::memory_order_release);
    }
};
