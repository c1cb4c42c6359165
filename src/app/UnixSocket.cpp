#include "UnixSocket.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace UnixSocket {
namespace {

// False when the path does not fit an address: such a socket could not be reached anyway.
bool addressOf(const QString& path, sockaddr_un* address) {
    const QByteArray name = QFile::encodeName(path);
    *address = {};
    address->sun_family = AF_UNIX;
    if (name.isEmpty() || std::size_t(name.size()) >= sizeof address->sun_path) return false;
    std::memcpy(address->sun_path, name.constData(), std::size_t(name.size()));
    return true;
}

bool waitFor(int fd, short events, int timeoutMs) {
    pollfd p{fd, events, 0};
    int n;
    do
        n = ::poll(&p, 1, timeoutMs);
    while (n < 0 && errno == EINTR);
    return n > 0;
}

} // namespace

int listenAt(const QString& path, QString* error) {
    sockaddr_un address;
    if (!addressOf(path, &address)) {
        *error = QStringLiteral("the path is too long for a socket");
        return -1;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return -1;
    }
    ::unlink(address.sun_path);
    // Only this user may connect, even if the folder's mode were ever looser. (The process's
    // umask is not narrowed instead: other threads may be creating files meanwhile.)
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::chmod(address.sun_path, 0600) != 0 || ::listen(fd, 16) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        return -1;
    }
    return fd;
}

int connectTo(const QString& path) {
    sockaddr_un address;
    if (!addressOf(path, &address)) return -1;
    // Non-blocking: a listener whose queue is full refuses at once instead of holding us up.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    int result;
    do
        result = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    while (result < 0 && errno == EINTR);
    if (result == 0) return fd;
    ::close(fd);
    return -1;
}

int acceptFrom(int listener) {
    int fd;
    do
        fd = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    return fd;
}

bool peerIsThisUser(int fd) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::getuid();
}

bool writeAll(int fd, const QByteArray& bytes, int timeoutMs) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        // MSG_NOSIGNAL: a peer that went away is an error here, not the end of the process.
        const ssize_t n =
            ::send(fd, bytes.constData() + done, std::size_t(bytes.size() - done), MSG_NOSIGNAL);
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!waitFor(fd, POLLOUT, timeoutMs)) return false;
        } else {
            return false;
        }
    }
    return true;
}

int readByte(int fd, int timeoutMs) {
    if (!waitFor(fd, POLLIN, timeoutMs)) return -1;
    unsigned char byte = 0;
    ssize_t n;
    do
        n = ::recv(fd, &byte, 1, 0);
    while (n < 0 && errno == EINTR);
    return n == 1 ? byte : -1;
}

void close(int fd) {
    if (fd >= 0) ::close(fd);
}

} // namespace UnixSocket
