#pragma once
// The readers under test take a path, so each input goes to a file of the
// process's own in shared memory first. One file per process: libFuzzer runs
// one input at a time.
#include <QByteArray>
#include <QFile>

#include <cstddef>
#include <cstdint>
#include <unistd.h>

inline QByteArray WriteFuzzInput(const std::uint8_t* data, std::size_t size, const char* extension) {
    const QByteArray path = "/dev/shm/vexo-fuzz-" + QByteArray::number(::getpid()) + "." + extension;
    QFile file(QString::fromLatin1(path));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return {};
    file.write(reinterpret_cast<const char*>(data), qint64(size));
    return path;
}
