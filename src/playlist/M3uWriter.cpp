#include "M3uWriter.h"

#include "FileError.h"
#include "PlaylistModel.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Writes the whole buffer, resuming after short writes and signals.
bool writeAll(int fd, const QByteArray& bytes) {
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(left));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) {
            errno = EIO;
            return false;
        }
        data += n;
        left -= n;
    }
    return true;
}

// The file a save should replace: a symbolic link keeps pointing at its
// playlist, which gets the new contents.
QByteArray replaceTarget(const QByteArray& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.constData(), resolved) ? QByteArray(resolved) : path;
}

class TempFile {
  public:
    // Created beside the target so that the rename stays on one file system.
    explicit TempFile(const QByteArray& target) {
        for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
            // A short name of our own: the target's name plus a suffix could
            // pass the file system's name length limit.
            name_ = target.left(target.lastIndexOf('/') + 1) + ".vexo-save-" +
                    QByteArray::number(::getpid()) + "-" + QByteArray::number(attempt) + ".tmp";
            // 0666 so that the umask decides, as for any new file of the user.
            fd_ = ::open(name_.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ < 0 && errno != EEXIST) break;
        }
    }
    ~TempFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!committed_) ::unlink(name_.constData());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    int fd() const { return fd_; }
    const QByteArray& name() const { return name_; }
    // Closes the file; false (errno set) when buffered data failed to land.
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }
    void committed() { committed_ = true; }

  private:
    QByteArray name_;
    int fd_ = -1;
    bool committed_ = false;
};

} // namespace

QByteArray M3uText(const PlaylistModel& model) {
    QByteArray text;
    text.reserve(9 + qsizetype(model.Count()) * 64);
    text += "#EXTM3U\r\n";
    for (int i = 0; i < model.Count(); ++i) {
        const PlaylistEntry& row = model.Row(i);
        text += "#EXTINF:206,";
        text += row.Caption.toUtf8();
        text += "\r\n";
        text += row.Path;
        text += "\r\n";
    }
    return text;
}

void SavePlaylist(const QByteArray& path, const PlaylistModel& model) {
    const auto fail = [&](int err) { return FileError::CannotCreate(path, FileError::Reason(err)); };
    if (path.isEmpty()) throw fail(ENOENT);
    const QByteArray target = replaceTarget(path);

    struct stat old {};
    const bool exists = ::stat(target.constData(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode)) throw fail(EISDIR);
    // A read-only playlist stays as it is, as writing it in place would fail.
    if (exists && ::access(target.constData(), W_OK) != 0) throw fail(errno);

    const QByteArray text = M3uText(model);
    TempFile temp(target);
    if (temp.fd() < 0) throw fail(errno);
    if (exists) ::fchmod(temp.fd(), old.st_mode & 07777);
    if (!writeAll(temp.fd(), text) || ::fsync(temp.fd()) != 0) throw fail(errno);
    if (!temp.close()) throw fail(errno);
    if (::rename(temp.name().constData(), target.constData()) != 0) throw fail(errno);
    temp.committed();
}
