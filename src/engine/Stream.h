#pragma once
// One open stream, shared by three threads once it has been played.
//
// Ownership, field by field:
// - GUI thread: creates it, writes the control atomics and asks for seeks.
// - Its opening thread (one per open, see StreamOpening.h): opens `decoder`,
//   writes `facts` and `coverArt`, starts the decoder and prefills `ring`,
//   then publishes all of it through `phase`; nobody else touches them before.
// - Decoder thread: attaches a Ready stream to the mixer, then owns `decoder`,
//   produces into `ring`, performs seeks (marking where stale audio ends),
//   gives up on an open that is late, and fires the end syncs.
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
#include <chrono>
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
    bool eqSaved = false; // a stream sharing its filters has their history only while it plays
    bool running = false; // asked to play then: a follower is, once it took over
    bool joined = false;
    EqBank::History eq;
};

// Volume, pan and equalizer, shared by a stream and the one that follows it without a gap, so the
// follower sounds as the stream did and its filters go on from the stream's last sample.
struct StreamControls {
    std::atomic<float> volume{1.0f}; // linear
    std::atomic<float> pan{0.0f};
    EqBank eq;
};

// Where a stream stands on its way to the mixer.
enum class StreamPhase : int {
    Opening,  // its opening thread is at work
    Opened,   // facts known; not started, as there was no output to start for
    Ready,    // started and prefilled: the decoder thread attaches it next
    Attached, // in the mixer
    Failed,   // missing, undecodable or late: it ends at once
};

struct EndSync {
    std::uint32_t handle = 0;
    EndCallback callback;
    std::uint32_t firedSerial = kNoSerial; // the end it was last called for
};

struct Stream {
    // A stream whose file is still to be opened.
    explicit Stream(std::string file,
                    std::shared_ptr<StreamControls> shared = std::make_shared<StreamControls>())
        : path(std::move(file)), controls(std::move(shared)) {}
    // A stream of a decoder already open.
    explicit Stream(std::unique_ptr<Decoder> d, std::string file = {}) : Stream(std::move(file)) {
        adopt(std::move(d));
        phase.store(StreamPhase::Opened, std::memory_order_release);
    }

    // Its opener only, before `phase` says Opened or Ready.
    void adopt(std::unique_ptr<Decoder> d) {
        decoder = std::move(d);
        facts = decoder->facts();
        coverArt = decoder->takeCoverArt();
    }
    // GUI thread: facts and cover may be read.
    bool isOpen() const {
        const StreamPhase p = phase.load(std::memory_order_acquire);
        return p == StreamPhase::Opened || p == StreamPhase::Ready || p == StreamPhase::Attached;
    }

    const std::string path;
    std::atomic<StreamPhase> phase{StreamPhase::Opening};
    std::chrono::steady_clock::time_point openDeadline{};  // set before an opening thread starts
    std::atomic<EndReason> openFailure{EndReason::Failed}; // why, once `phase` is Failed
    std::unique_ptr<Decoder> decoder;
    StreamFacts facts;
    std::optional<CoverArt> coverArt;
    std::unique_ptr<SpscRing> ring; // made before the stream is started
    int aheadFrames = 0;            // how far the decoder runs ahead; the ring also keeps history
    int outputRate = 0;

    // GUI → audio.
    std::atomic<bool> running{false};
    const std::shared_ptr<StreamControls> controls;
    std::atomic<float>& volume = controls->volume;
    std::atomic<float>& pan = controls->pan;
    EqBank& eq = controls->eq;

    // Joining without a gap. The GUI sets `follower` (a stream sharing these controls) and clears
    // it before the follower goes; the mixer starts the follower in the block where this stream
    // runs out, and says so in the follower's `joined`.
    std::atomic<Stream*> follower{nullptr};
    std::atomic<bool> sharesControls{false}; // its filters' history is only its own while it plays
    std::atomic<bool> joined{false};
    std::atomic<bool> leaderThere{false}; // the stream it follows is still in the mixer's reach
    std::int64_t joinedUntil = 0;         // audio callback: output frames it was mixed to as it joined

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
    // Open syncs: GUI adds, the opening thread calls. The mutex guards both.
    std::mutex syncMutex;
    std::vector<EndSync> syncs;
    std::vector<std::function<void()>> openSyncs;
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
