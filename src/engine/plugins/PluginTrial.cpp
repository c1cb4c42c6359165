#include "PluginTrial.h"

#include "ProgramModule.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

PluginTrial refused(std::string fault) {
    return {PluginLibrary::Outcome::Refused, std::move(fault)};
}

// A private folder for the probe's sample files, gone again with whatever a crashed probe left.
class ScratchFolder {
  public:
    ScratchFolder() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/vexo-plugin-XXXXXX";
        if (::mkdtemp(pattern.data())) path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// The child's end, as a result: its status and what it wrote.
PluginTrial verdict(int status, std::string said) {
    if (WIFEXITED(status)) {
        switch (WEXITSTATUS(status)) {
        case kProbeAccepted:
            return {PluginLibrary::Outcome::Loaded, {}};
        case kProbeNotOurs:
            return {PluginLibrary::Outcome::NotOurs, {}};
        case kProbeRefused:
            while (!said.empty() && (said.back() == '\n' || said.back() == '\r'))
                said.pop_back();
            return refused(said.empty() ? "it failed when tried" : said);
        default:
            break;
        }
    }
    if (WIFSIGNALED(status))
        return refused(std::string("it crashed when tried (") + ::strsignal(WTERMSIG(status)) + ")");
    return refused("it crashed when tried");
}

} // namespace

PluginTrial tryPluginApart(const std::string& path, std::chrono::milliseconds limit) {
    static const std::string probe = FindProgramExecutable(kPluginProbeProgram);
    if (probe.empty())
        return refused(std::string("the program that tries plug-ins, ") + kPluginProbeProgram +
                       ", is missing");
    const ScratchFolder scratch;
    if (scratch.path().empty()) return refused("no folder to try it in");
    int out[2];
    if (::pipe2(out, O_CLOEXEC | O_NONBLOCK) != 0) return refused("no pipe to try it through");

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::string probeArg = probe, pathArg = path, folderArg = scratch.path();
    char* argv[] = {probeArg.data(), pathArg.data(), folderArg.data(), nullptr};
    pid_t child = -1;
    const int spawned = ::posix_spawn(&child, probe.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (spawned != 0) {
        ::close(out[0]);
        return refused(std::string("it could not be tried: ") + std::strerror(spawned));
    }

    const Clock::time_point deadline = Clock::now() + limit;
    std::string said;
    bool open = true;
    int status = 0;
    for (;;) {
        if (::waitpid(child, &status, WNOHANG) == child) break;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            ::close(out[0]);
            return refused("it did not finish loading within " +
                           std::to_string((limit.count() + 999) / 1000) + " s");
        }
        // Woken by what the child writes, or each few milliseconds to see whether it ended.
        const int wait = static_cast<int>(std::min<long long>(left.count(), 5));
        if (!open) {
            std::this_thread::sleep_for(std::chrono::milliseconds(wait));
            continue;
        }
        pollfd p{out[0], POLLIN, 0};
        if (::poll(&p, 1, wait) <= 0) continue;
        char buffer[512];
        const ssize_t n = ::read(out[0], buffer, sizeof buffer);
        if (n > 0 && said.size() < 4096) said.append(buffer, static_cast<std::size_t>(n));
        if (n == 0) open = false;
    }
    char buffer[512];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0 && said.size() < 4096;)
        said.append(buffer, static_cast<std::size_t>(n));
    ::close(out[0]);
    return verdict(status, std::move(said));
}
