#pragma once
// The contract between the player and its audio engine.
//
// Threads: every method but readFileFacts is called from the GUI thread only,
// never from the audio callback. None of them blocks on the sound output, and
// none but Create waits for a file: Open and OpenFollower read it on an engine
// thread. Create reads the file's header itself (a few milliseconds for a local
// file, and never more than kOpenTimeLimitMs); it serves tools and tests.
//
// Handles: a stream handle, an effect handle and a sync handle are nonzero
// numbers that are never reused while the program runs. Handle 0, a freed
// handle or a handle of another kind is refused: the call does nothing and
// returns the "nothing" value documented beside it (0, false, nullopt).
//
// Units: byte counts and positions are bytes of the stream decoded to 16-bit
// PCM at its own sample rate and channel count, 64 bits wide so that long
// tracks cannot overflow; times are whole seconds; volume is percent; pan is
// -1.0 (left only) .. +1.0 (right only); equalizer values are Hz, semitones, dB.
// Positions and times report what is being heard, not what was decoded.

#include "CoverArt.h"
#include "StreamFacts.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

using StreamHandle = std::uint32_t;
using FxHandle = std::uint32_t;
using SyncHandle = std::uint32_t;

// readSpectrum's size: magnitudes of the last 2 * kFftBins samples being heard.
inline constexpr int kFftBins = 512;

// The longest a file's header may take to read. A file that needs longer
// (some damaged files keep a demuxer searching for minutes) counts as one
// that cannot be played: the window must not wait for it.
inline constexpr int kOpenTimeLimitMs = 500;
// How long an engine thread gives a file to open and yield its first audio
// (or its facts) before the stream counts as failed. A disk that spins up
// takes seconds; a hung network mount never answers, and its read is left to
// return on its own while the player moves on.
inline constexpr int kOpenGiveUpMs = 10000;

// Why a stream ended: it played to its end, its file could not be opened or
// decoded (on, or in time) and the stream gave up, or its file was not there
// when the stream went to open it.
enum class EndReason { Played, Failed, Missing };
// What readFileFacts learnt: the facts, or why none. A read that timed out may
// succeed later (a disk spinning up); one that found nothing decodable will not.
enum class FactsRead { Read, NotDecodable, TimedOut };
using EndCallback = std::function<void(EndReason)>;

// addEffect type: a peaking (parametric) equalizer band.
enum class FxType { ParamEq };

struct ParamEqParams {
    float centerHz = 8000.0f;
    float bandwidthSemitones = 12.0f;
    float gainDb = 0.0f;
};

struct ChannelInfo {
    int sampleRate = 0; // Hz
    int channels = 0;   // of the decoded file, before the mix to stereo
    std::string codec;  // decoder's short name, e.g. "mp3"
};

class AudioEngine {
  public:
    virtual ~AudioEngine() = default;

    // Opens the sound output chosen by $VEXO_AUDIO and keeps it until closeOutput.
    // sampleRate is the output's preferred rate. False when no output opens.
    virtual bool openOutput(int sampleRate) = 0;
    // How far ahead of the speaker streams are decoded, in milliseconds.
    virtual void setDecodeAhead(int milliseconds) = 0;
    // Frees every stream and closes the output. Safe to call twice.
    virtual void closeOutput() = 0;
    // Number of sound devices the chosen output offers; 0 means "no sound device".
    virtual int deviceCount() = 0;
    // `report` hears why, in words for the user, when the output fails for good (a recording
    // that cannot be written; also a failure before this call), and again at each Play after
    // it: nothing is then heard. It runs on an engine thread and must only post to the GUI thread.
    virtual void notifyOutputFailure(std::function<void(const std::string& why)> report) { (void)report; }
    // Loads a decoder plug-in (a shared object with our entry point). A library without our entry
    // point is ignored (nullopt); a broken or hostile plug-in is refused, and the result says why
    // in words for the user ("it is cut short"). Trying the plug-in may take up to two seconds.
    virtual std::optional<std::string> loadPlugin(const std::string& path) = 0;

    // Opens a local file (path as bytes, as the file system holds it).
    // Returns 0 when the file is missing, unreadable or not decodable, or its
    // header is not read within kOpenTimeLimitMs.
    virtual StreamHandle Create(const std::string& path) = 0;
    // Any thread, also while the GUI thread uses the engine: what Create would
    // learn of the file (length, tags), without making a stream. nullopt where
    // Create would give 0.
    virtual std::optional<StreamFacts> readFileFacts(const std::string& path) = 0;
    // readFileFacts that also says why nothing was learnt. It gives the file kOpenGiveUpMs.
    virtual std::optional<StreamFacts> readFileFacts(const std::string& path, FactsRead& why) {
        std::optional<StreamFacts> facts = readFileFacts(path);
        why = facts ? FactsRead::Read : FactsRead::NotDecodable;
        return facts;
    }
    // Returns at once a stream whose file opens on an engine thread; 0 only when no stream can be
    // made at all. Until it is open its facts read as unknown (0, nullopt); Play, volume, pan and
    // effects may be set meanwhile and take effect as it starts. A file that is missing, does not
    // decode or does not open within kOpenGiveUpMs ends the stream: its end syncs hear Missing or
    // Failed. An engine without threads of its own opens at once.
    virtual StreamHandle Open(const std::string& path) { return Create(path); }
    // Open for the track that follows `playing` without a gap: once `playing` runs out it starts at
    // the very next sample, within the same block of output, and `playing` ends as usual. It shares
    // `playing`'s volume, pan and effects, which stay with it when `playing` is freed. It never
    // starts by itself when it is not ready in time (still opening, failed); Play then starts it as
    // any stream. 0 where the engine does not join tracks, or for a bad handle.
    virtual StreamHandle OpenFollower(StreamHandle playing, const std::string& path) {
        (void)playing;
        (void)path;
        return 0;
    }
    // True once the stream's file is open and its facts known.
    virtual bool isOpen(StreamHandle h) { return h != 0; }
    // The callback runs once, on an engine thread, when the stream's file is open (at once for a
    // stream already open); it must only post to the GUI thread. A stream that fails to open never
    // calls it: its end syncs report that.
    virtual SyncHandle notifyWhenOpen(StreamHandle h, std::function<void()> callback) {
        if (h == 0 || !callback) return 0;
        callback();
        return h;
    }
    // True once a follower took over: its first sample went to the output after the other's last.
    virtual bool tookOver(StreamHandle follower) {
        (void)follower;
        return false;
    }
    // Starts or continues playback.
    virtual void Play(StreamHandle h) = 0;
    // Pauses a playing stream; on a paused stream it resumes playback.
    virtual void Pause(StreamHandle h) = 0;
    // Stops playback and rewinds the stream to its start.
    virtual void Stop(StreamHandle h) = 0;
    // Stops and frees the stream with its effects and syncs; the handle dies.
    virtual void ChannelFree(StreamHandle h) = 0;
    // True only while the stream plays: not paused, not stopped, not ended.
    virtual bool IsActiveChannel(StreamHandle h) = 0;

    virtual void SetPosition(StreamHandle h, std::int64_t bytePos) = 0;
    // Bytes heard so far.
    virtual std::int64_t heardPosition(StreamHandle h) = 0;
    virtual std::int64_t SecToByte(StreamHandle h, double seconds) = 0;
    // Stream length in bytes.
    virtual std::int64_t GetLength(StreamHandle h) = 0;
    // Stream length, elapsed and remaining time in whole seconds.
    virtual std::int64_t GetAllTime(StreamHandle h) = 0;
    virtual std::int64_t CurTime(StreamHandle h) = 0;
    virtual std::int64_t CurTimeRevers(StreamHandle h) = 0;
    // Average bit rate in kbps.
    virtual std::uint32_t GetBitrate(StreamHandle h) = 0;
    virtual std::optional<ChannelInfo> streamInfo(StreamHandle h) = 0;
    // Fills kFftBins spectrum magnitudes; false (nothing written) for a bad handle.
    virtual bool readSpectrum(StreamHandle h, float* bins) = 0;

    // Percent, clamped to 0..100 (the player may send -9).
    virtual void SetVolume(StreamHandle h, int percent) = 0;
    // -1.0 (left only) .. +1.0 (right only).
    virtual void setPan(StreamHandle h, float pan) = 0;

    // Tags as UTF-8 text; nullopt when the tag is missing.
    virtual std::optional<std::string> TagTitle(StreamHandle h) = 0;
    virtual std::optional<std::string> TagArtist(StreamHandle h) = 0;
    virtual std::optional<std::string> TagAlbum(StreamHandle h) = 0;
    virtual std::optional<std::string> TagTrack(StreamHandle h) = 0;
    virtual std::optional<std::string> TagGenre(StreamHandle h) = 0;
    virtual std::optional<std::string> TagYear(StreamHandle h) = 0;
    virtual std::optional<std::string> TagComment(StreamHandle h) = 0;
    // The cover picture the file's tags carry, read when the stream was made; nullopt when none.
    virtual std::optional<CoverArt> TagPicture(StreamHandle h) {
        (void)h;
        return std::nullopt;
    }

    // The callback runs once, when the stream's last sample has been handed to
    // the output (or the stream gave up), on an engine thread that is neither
    // the GUI thread nor the audio callback; it must only post to the GUI thread.
    virtual SyncHandle notifyAtEnd(StreamHandle h, EndCallback callback) = 0;

    // Effects belong to their stream and are freed with it.
    virtual FxHandle addEffect(StreamHandle h, FxType type, int priority) = 0;
    virtual void removeEffect(StreamHandle h, FxHandle fx) = 0;
    virtual bool setEffectParameters(FxHandle fx, const ParamEqParams& params) = 0;
    virtual std::optional<ParamEqParams> effectParameters(FxHandle fx) = 0;
};
