#include "PulseServer.h"

#include "ProcessCpu.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

constexpr int kStartTimeoutMs = 10000;

bool socketAnswers(const std::string& path) {
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path) return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0) return false;
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

} // namespace

PulseServer::PulseServer(Sink sink) : dir_(QDir::tempPath() + "/vexo-pulse-XXXXXX") {
    hadPulseServer_ = qEnvironmentVariableIsSet("PULSE_SERVER");
    previousPulseServer_ = qgetenv("PULSE_SERVER");
    if (!dir_.isValid()) {
        fail("cannot create a temporary folder");
        return;
    }

    const QString program = QStandardPaths::findExecutable("pulseaudio");
    if (program.isEmpty()) {
        fail("the pulseaudio binary is not installed (./dev setup installs it)");
        return;
    }
    const QString root = dir_.path();
    for (const char* sub : {"runtime", "state", "home"})
        QDir(root).mkpath(sub);
    socketPath_ = (root + "/native").toStdString();
    address_ = "unix:" + socketPath_;

    ChildProcess::Setup setup;
    setup.environment = {{"XDG_RUNTIME_DIR", (root + "/runtime").toStdString()},
                         {"PULSE_RUNTIME_PATH", (root + "/runtime").toStdString()},
                         {"PULSE_STATE_PATH", (root + "/state").toStdString()},
                         {"HOME", (root + "/home").toStdString()}};
    setup.unsetEnvironment = {"PULSE_SERVER"};
    setup.outputFile = (root + "/server.log").toStdString();
    setup.errorFile = setup.outputFile;
    setup.appendErrors = true;
    const std::string sinkModule = "module-null-sink sink_name=" + std::string(kSink) +
                                   " rate=" + std::to_string(kRate) + " channels=2" +
                                   (sink == Sink::Recording ? " norewinds=1" : "");
    const std::string socket = "module-native-protocol-unix socket=" + socketPath_ + " auth-anonymous=1";
    server_ = std::make_unique<ChildProcess>();
    if (!server_->start(program.toStdString(),
                        {"-n", "--daemonize=no", "--exit-idle-time=-1", "--realtime=no", "--high-priority=no",
                         "--use-pid-file=no", "--log-target=stderr", "--log-level=error", "-L", sinkModule,
                         "-L", socket},
                        setup)) {
        fail("pulseaudio did not start");
        return;
    }
    if (!waitUntilAnswering(kStartTimeoutMs)) {
        fail("pulseaudio did not answer on its socket");
        return;
    }
    qputenv("PULSE_SERVER", QByteArray::fromStdString(address_));
}

PulseServer::~PulseServer() {
    stopRecording();
    if (server_ && server_->running()) {
        server_->terminate();
        if (!server_->waitForFinished(3000)) {
            server_->kill();
        }
    }
    if (hadPulseServer_)
        qputenv("PULSE_SERVER", previousPulseServer_);
    else
        qunsetenv("PULSE_SERVER");
}

bool PulseServer::running() const {
    return server_ && server_->running() && error_.empty();
}

qint64 PulseServer::pid() const {
    return server_ ? server_->pid() : 0;
}

double PulseServer::cpuSeconds() const {
    return running() ? processCpuSeconds(static_cast<pid_t>(pid())) : -1;
}

bool PulseServer::startRecording(const std::string& path) {
    stopRecording();
    if (!running()) return false;
    const QString program = QStandardPaths::findExecutable("parec");
    if (program.isEmpty()) {
        error_ = "parec is not installed (package pulseaudio-utils)";
        return false;
    }
    ChildProcess::Setup setup;
    setup.outputFile = path;
    setup.errorFile = (dir_.path() + "/parec.log").toStdString();
    recorder_ = std::make_unique<ChildProcess>();
    if (!recorder_->start(program.toStdString(),
                          {"--server=" + address_, "--device=" + std::string(kSink) + ".monitor", "--raw",
                           "--format=s16le", "--rate=" + std::to_string(kRate), "--channels=2",
                           "--latency-msec=20"},
                          setup)) {
        recorder_.reset();
        return false;
    }
    // parec connects asynchronously; a stream started before it records would
    // lose its beginning. Wait until the recording stream shows in the server.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        const std::string listed = (dir_.path() + "/source-outputs").toStdString();
        if (runToEnd("pactl", {"--server=" + address_, "list", "short", "source-outputs"}, kStartTimeoutMs,
                     listed) &&
            QFileInfo(QString::fromStdString(listed)).size() > 0)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

void PulseServer::stopRecording() {
    if (!recorder_) return;
    if (recorder_->running()) {
        recorder_->terminate();
        if (!recorder_->waitForFinished(3000)) recorder_->kill();
    }
    recorder_.reset();
}

void PulseServer::kill() {
    if (server_) server_->kill();
}

bool PulseServer::waitUntilAnswering(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        if (!server_->running()) return false;
        if (socketAnswers(socketPath_)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

void PulseServer::fail(const std::string& why) {
    error_ = why;
    QFile log(dir_.path() + "/server.log");
    if (log.open(QIODevice::ReadOnly)) error_ += "; server log: " + log.readAll().right(2000).toStdString();
}
