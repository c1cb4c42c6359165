#pragma once
// The few operations a local hand-off needs on a Unix stream socket, as plain descriptors: the
// player links no network library for one socket of its own.
#include <QByteArray>
#include <QString>

namespace UnixSocket {

// A non-blocking listening socket at `path` (a stale one is replaced); -1 with *error set.
int listenAt(const QString& path, QString* error);
// A connected, non-blocking socket to `path`, or -1 when nobody listens there or its queue is full.
int connectTo(const QString& path);
// A non-blocking connection from the queue of `listener`, or -1 when none is waiting.
int acceptFrom(int listener);
// The process at the other end of `fd` runs as this user.
bool peerIsThisUser(int fd);
// Writes all of `bytes`, waiting for the socket no longer than `timeoutMs` at a time.
bool writeAll(int fd, const QByteArray& bytes, int timeoutMs);
// Reads one byte, waiting no longer than `timeoutMs`; -1 on timeout, error or end.
int readByte(int fd, int timeoutMs);
void close(int fd);

} // namespace UnixSocket
