#include "ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

extern char** environ;

namespace {

std::vector<std::string> childEnvironment(const ChildProcess::Setup& setup) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        const std::string name = entry.substr(0, entry.find('='));
        bool dropped = setup.environment.count(name) > 0;
        for (const std::string& unset : setup.unsetEnvironment)
            dropped = dropped || unset == name;
        if (!dropped) env.push_back(entry);
    }
    for (const auto& [name, value] : setup.environment)
        env.push_back(name + "=" + value);
    return env;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> p;
    for (std::string& s : strings)
        p.push_back(s.data());
    p.push_back(nullptr);
    return p;
}

} // namespace

ChildProcess::~ChildProcess() {
    kill();
}

bool ChildProcess::start(const std::string& program, const std::vector<std::string>& arguments,
                         const Setup& setup) {
    kill();
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<std::string> env = childEnvironment(setup);
    std::vector<char*> argp = pointers(argv);
    std::vector<char*> envp = pointers(env);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    const std::string out = setup.outputFile.empty() ? "/dev/null" : setup.outputFile;
    const std::string err = setup.errorFile.empty() ? "/dev/null" : setup.errorFile;
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(),
                                     O_WRONLY | O_CREAT | (setup.appendErrors ? O_APPEND : O_TRUNC), 0644);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return false;
    pid_ = pid;
    ended_ = false;
    exitCode_ = -1;
    return true;
}

bool ChildProcess::reap(bool block) {
    if (ended_) return true;
    int status = 0;
    pid_t got;
    do {
        got = ::waitpid(pid_, &status, block ? 0 : WNOHANG);
    } while (got < 0 && errno == EINTR);
    if (got == 0) return false;
    ended_ = true;
    exitCode_ = got == pid_ && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return true;
}

bool ChildProcess::running() {
    return !reap(false);
}

bool ChildProcess::waitForFinished(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!reap(false)) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void ChildProcess::terminate() {
    if (!ended_) ::kill(pid_, SIGTERM);
}

void ChildProcess::kill() {
    if (ended_) return;
    ::kill(pid_, SIGKILL);
    reap(true);
}

bool runToEnd(const std::string& program, const std::vector<std::string>& arguments, int timeoutMs,
              const std::string& outputFile) {
    ChildProcess child;
    ChildProcess::Setup setup;
    setup.outputFile = outputFile;
    return child.start(program, arguments, setup) && child.waitForFinished(timeoutMs) &&
           child.exitCode() == 0;
}
