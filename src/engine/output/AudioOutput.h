#pragma once
// The contract every sound output (PulseAudio, ALSA, null, WAV) fulfils.
//
// Threads: open/start/stop/close and the queries are called by the engine on
// the GUI thread. Each output runs one audio thread of its own that calls the
// render callback; the callback must not lock, allocate, log or touch files,
// and neither does the output around it. Outputs only pull: the callback fills
// the whole block it is given (silence when there is nothing to play).
//
// Format: interleaved stereo 32-bit float, -1.0..1.0, at the rate that open()
// returns. Frames are counted per channel pair.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class AudioOutput {
  public:
    // Fills `frames` stereo frames at `out`. Called on the output's audio thread
    // (a manually paced test output calls it on the thread that pumps it).
    using RenderCallback = std::function<void(float* out, int frames)>;
    // Steps the renderer back over at most `maxFrames` of what it rendered
    // last and returns how far it went; rendering then continues from there.
    using RewindCallback = std::function<int(int maxFrames)>;

    virtual ~AudioOutput() = default;

    // Connects to the device. Returns false when it cannot; nothing else is
    // then valid. `preferredRate` is a wish; rate() tells what was granted.
    virtual bool open(int preferredRate, RenderCallback render) = 0;
    virtual int rate() const = 0;
    // Starts or stops calling the render callback. stop() returns only after
    // the callback has returned for the last time; what is already queued is
    // kept where the device can pause (PulseAudio always) and heard after the
    // next start(). Neither waits long: at most one device wait (~100 ms).
    virtual void start() = 0;
    virtual void stop() = 0;
    // Drops what was handed over but not yet heard (before a seek or a new
    // track, so the old sound does not linger); framesWritten() keeps counting.
    virtual void flush() {}
    // Always returns, even when the device or server has gone away.
    virtual void close() = 0;
    // Any thread: an open() under way on another thread gives up at once and fails, and so does
    // every later one. A close must not wait for a server that does not answer.
    virtual void abandon() {}
    // Frames handed to the device so far (an atomic read; any thread).
    virtual std::int64_t framesWritten() const = 0;
    // Frames handed over but not yet heard (an estimate; any thread).
    virtual std::int64_t latencyFrames() const = 0;
    // False after the device went away while playing (sound server gone).
    virtual bool healthy() const = 0;
    // Devices this output offers: 0 means "no sound device".
    virtual int deviceCount() = 0;
    // Why open() failed or the output stopped working, in words for the user; empty while it works
    // and for failures that are not final (a sound server that went away is reconnected). Any
    // thread but the audio thread.
    virtual std::string failure() const { return {}; }

    // Outputs that queue a lot, so the sound server can sleep, make the
    // queued audio again when a control changes, so the change is still heard
    // at once. Set before open().
    void setRewindCallback(RewindCallback rewind) { rewind_ = std::move(rewind); }
    // How much queued audio such an output may ask for again (valid after
    // open()); 0 for outputs that queue little.
    virtual int rewindFrames() const { return 0; }
    // Renders the queued audio again, all but what is about to be heard.
    // Any thread but the output's own; the rewind and render callbacks then
    // run on the calling thread, and the output's own thread never waits for
    // them: a request for audio that comes meanwhile is answered afterwards.
    virtual void rewrite() {}

  protected:
    RewindCallback rewind_;
};

// Builds the output by its name: "auto" (PulseAudio, then ALSA; when neither
// answers, an output whose deviceCount() is 0), "pulse",
// "alsa", "null", "wav:PATH"; "null:unpaced" and "wav-unpaced:PATH" run as fast
// as the callback allows, for tests and benchmarks. Null for an unknown name.
std::unique_ptr<AudioOutput> makeAudioOutput(const std::string& name);

// The output a name stands for: "auto" becomes the first kind whose device
// answers ("pulse" when none does), with the devices that probe found; any
// other name stays as it is, its devices not yet probed (-1).
struct OutputChoice {
    std::string name;
    int devices = -1;
};
OutputChoice chooseAudioOutput(const std::string& name);
