#pragma once
// A program the tests run (ffmpeg, a private sound server, its recorder),
// started with posix_spawn.
//
// Not QProcess: this Qt starts programs as vfork children that run in the
// test's own memory, on the calling thread's ThreadSanitizer state, until
// they exec. The sanitizer does not know about such a child and afterwards
// misses that thread's locks and atomics, reporting races that are not there.
// posix_spawn does the same inside the C library, where none of the
// sanitizer's code runs.

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

class ChildProcess {
  public:
    struct Setup {
        // Changes to this process's environment: variables set, and variables left out.
        std::map<std::string, std::string> environment;
        std::vector<std::string> unsetEnvironment;
        // Where standard output and error go ("" for /dev/null); errors may be appended.
        std::string outputFile;
        std::string errorFile;
        bool appendErrors = false;
    };

    ChildProcess() = default;
    // Kills a child that still runs, so no test leaves one behind.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // `program` is looked up in PATH. False when it could not be started.
    bool start(const std::string& program, const std::vector<std::string>& arguments, const Setup& setup);
    bool running();
    pid_t pid() const { return pid_; }
    // True once the child has ended (within `timeoutMs`); exitCode() then says how.
    bool waitForFinished(int timeoutMs);
    // The exit status, or -1 when it was killed by a signal or has not ended.
    int exitCode() const { return exitCode_; }
    void terminate();
    void kill();

  private:
    bool reap(bool block);

    pid_t pid_ = 0;
    bool ended_ = true;
    int exitCode_ = -1;
};

// Runs `program` to its end (at most `timeoutMs`); true when it exited with 0.
// Its standard output goes to `outputFile` when one is named.
bool runToEnd(const std::string& program, const std::vector<std::string>& arguments, int timeoutMs,
              const std::string& outputFile = "");
