#pragma once
// A private PulseAudio server for tests that need real sound output: a null
// sink ("vexo_null", 44100 Hz stereo), reachable through a socket in a temporary
// folder with anonymous access. The constructor starts it and waits until it
// answers, and points this process at it (PULSE_SERVER); the destructor ends
// the server and any recording and restores the environment.
//
// A machine without the pulseaudio binary is a broken test setup, not a
// reason to skip: running() is then false and error() says why.

#include "ChildProcess.h"

#include <QTemporaryDir>

#include <memory>
#include <string>

class PulseServer {
  public:
    static constexpr int kRate = 44100;
    static constexpr const char* kSink = "vexo_null";

    enum class Sink {
        // No rewinds, so that its monitor records a stream from its first
        // sample; it wakes every few milliseconds whatever the stream asks.
        Recording,
        // Rewinds and sleeps as long as the streams let it, as a sound card's sink does.
        LikeADevice,
    };

    explicit PulseServer(Sink sink = Sink::Recording);
    ~PulseServer();
    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    bool running() const;
    const std::string& error() const { return error_; }
    // "unix:/tmp/.../native", as PULSE_SERVER holds it.
    std::string address() const { return address_; }
    qint64 pid() const;
    // Server CPU time so far (user + system), from /proc; -1 when unknown.
    double cpuSeconds() const;

    // Records the sink's monitor to `path` as raw interleaved stereo s16le at
    // kRate (parec). Start it before playing; stopRecording() ends parec and
    // returns once the file is complete.
    bool startRecording(const std::string& path);
    void stopRecording();

    // Kills the server at once (SIGKILL), as a crashed sound server would go.
    void kill();

  private:
    bool waitUntilAnswering(int timeoutMs);
    void fail(const std::string& why);

    QTemporaryDir dir_;
    std::unique_ptr<ChildProcess> server_;
    std::unique_ptr<ChildProcess> recorder_;
    std::string socketPath_;
    std::string address_;
    std::string error_;
    QByteArray previousPulseServer_;
    bool hadPulseServer_ = false;
};
