#include "FileReplace.h"

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

// The file a save should replace: a symbolic link keeps pointing at its file.
QByteArray replaceTarget(const QByteArray& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.constData(), resolved) ? QByteArray(resolved) : path;
}

class TempFile {
  public:
    // Created beside the target so that the rename stays on one file system.
    explicit TempFile(const QByteArray& target) {
        for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
            // A short name of our own: the target's name plus a suffix could pass the file
            // system's name length limit.
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

// Overwrites the file from its start and cuts it to the new length.
int rewriteInPlace(const QByteArray& target, const QByteArray& bytes) {
    const int fd = ::open(target.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    const bool written = writeAll(fd, bytes) && ::ftruncate(fd, bytes.size()) == 0 && ::fsync(fd) == 0;
    const int err = written ? 0 : errno;
    if (::close(fd) != 0 && written) return errno;
    return err;
}

} // namespace

int ReplaceFileContents(const QByteArray& path, const QByteArray& bytes) {
    if (path.isEmpty()) return ENOENT;
    const QByteArray target = replaceTarget(path);

    struct stat old {};
    const bool exists = ::stat(target.constData(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode)) return EISDIR;
    // A rename would replace a file the user may not write; writing it in place would fail.
    if (exists && ::access(target.constData(), W_OK) != 0) return errno;

    TempFile temp(target);
    if (temp.fd() < 0) {
        const int err = errno;
        // The folder refuses new files (no write permission, or locked) while the file itself may
        // be written, as for a shared playlist in someone else's folder. Writing in place is then
        // the only way to save at all; it gives up the all-or-nothing replacement, so a crash or a
        // full disk in the middle can leave the file cut short. Other failures (a read-only or
        // full file system) would fail in place as well, and are reported as they are.
        if (exists && (err == EACCES || err == EPERM)) return rewriteInPlace(target, bytes);
        return err;
    }
    if (exists) ::fchmod(temp.fd(), old.st_mode & 07777);
    if (!writeAll(temp.fd(), bytes) || ::fsync(temp.fd()) != 0) return errno;
    if (!temp.close()) return errno;
    if (::rename(temp.name().constData(), target.constData()) != 0) return errno;
    temp.committed();
    return 0;
}
