#include "PulseServer.h"

#include "ProcessCpu.h"

#include <QFile>
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

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", root + "/runtime");
    env.insert("PULSE_RUNTIME_PATH", root + "/runtime");
    env.insert("PULSE_STATE_PATH", root + "/state");
    env.insert("HOME", root + "/home");
    env.remove("PULSE_SERVER");

    server_ = std::make_unique<QProcess>();
    server_->setProcessEnvironment(env);
    server_->setStandardOutputFile(root + "/server.log");
    server_->setStandardErrorFile(root + "/server.log", QIODevice::Append);
    const QString sinkModule = QString("module-null-sink sink_name=%1 rate=%2 channels=2%3")
                                   .arg(kSink)
                                   .arg(kRate)
                                   .arg(sink == Sink::Recording ? " norewinds=1" : "");
    const QString socket = QString("module-native-protocol-unix socket=%1 auth-anonymous=1")
                               .arg(QString::fromStdString(socketPath_));
    server_->start(program, {"-n", "--daemonize=no", "--exit-idle-time=-1", "--realtime=no",
                             "--high-priority=no", "--use-pid-file=no", "--log-target=stderr",
                             "--log-level=error", "-L", sinkModule, "-L", socket});
    if (!server_->waitForStarted(kStartTimeoutMs)) {
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
    if (server_ && server_->state() != QProcess::NotRunning) {
        server_->terminate();
        if (!server_->waitForFinished(3000)) {
            server_->kill();
            server_->waitForFinished(3000);
        }
    }
    if (hadPulseServer_)
        qputenv("PULSE_SERVER", previousPulseServer_);
    else
        qunsetenv("PULSE_SERVER");
}

bool PulseServer::running() const {
    return server_ && server_->state() == QProcess::Running && error_.empty();
}

qint64 PulseServer::pid() const {
    return server_ ? server_->processId() : 0;
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
    recorder_ = std::make_unique<QProcess>();
    recorder_->setStandardOutputFile(QString::fromStdString(path));
    recorder_->setStandardErrorFile(dir_.path() + "/parec.log");
    recorder_->start(program, {"--server=" + QString::fromStdString(address_),
                               QString("--device=%1.monitor").arg(kSink), "--raw", "--format=s16le",
                               QString("--rate=%1").arg(kRate), "--channels=2", "--latency-msec=20"});
    if (!recorder_->waitForStarted(kStartTimeoutMs)) {
        recorder_.reset();
        return false;
    }
    // parec connects asynchronously; a stream started before it records would
    // lose its beginning. Wait until the recording stream shows in the server.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        QProcess list;
        list.start(QStandardPaths::findExecutable("pactl"),
                   {"--server=" + QString::fromStdString(address_), "list", "short", "source-outputs"});
        if (list.waitForFinished(kStartTimeoutMs) && !list.readAllStandardOutput().trimmed().isEmpty())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

void PulseServer::stopRecording() {
    if (!recorder_) return;
    if (recorder_->state() != QProcess::NotRunning) {
        recorder_->terminate();
        if (!recorder_->waitForFinished(3000)) {
            recorder_->kill();
            recorder_->waitForFinished(3000);
        }
    }
    recorder_.reset();
}

void PulseServer::kill() {
    if (!server_ || server_->state() == QProcess::NotRunning) return;
    server_->kill();
    server_->waitForFinished(3000);
}

bool PulseServer::waitUntilAnswering(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        if (server_->state() != QProcess::Running) return false;
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
