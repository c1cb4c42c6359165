#include "FileReplace.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Temporary files of a save are named ".vexo-save-PID-N.tmp"; only names of this shape are ever
// removed as stale.
const char kTempPrefix[] = ".vexo-save-";
const char kTempSuffix[] = ".tmp";

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

// The file a save should replace: a symbolic link keeps pointing at its file. Empty, with errno
// set, for a link that leads nowhere or round in a loop: where it points is not ours to create,
// and the link itself is no file to replace.
QByteArray replaceTarget(const QByteArray& path) {
    char resolved[PATH_MAX];
    if (::realpath(path.constData(), resolved)) return QByteArray(resolved);
    const int err = errno;
    struct stat link {};
    if (::lstat(path.constData(), &link) != 0) return path; // missing: made where the path says
    errno = err;
    return {};
}

class TempFile {
  public:
    // Created beside the target so that the rename stays on one file system.
    explicit TempFile(const QByteArray& target) {
        for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
            // A short name of our own: the target's name plus a suffix could pass the file
            // system's name length limit.
            name_ = target.left(target.lastIndexOf('/') + 1) + kTempPrefix + QByteArray::number(::getpid()) +
                    "-" + QByteArray::number(attempt) + kTempSuffix;
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

// Makes sure the file system holds room for size bytes of the file, without changing what the
// file reads. Where the file system cannot reserve, the new bytes are written past the old end,
// which claims the same room; that tail is cut off again on failure, and the old contents stay.
int reserveRoom(int fd, off_t oldSize, const QByteArray& bytes) {
    if (::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, off_t(bytes.size())) == 0) return 0;
    if (errno != EOPNOTSUPP && errno != ENOSYS) return errno;
    if (::lseek(fd, oldSize, SEEK_SET) == oldSize && writeAll(fd, bytes) && ::fsync(fd) == 0) return 0;
    const int err = errno;
    ::ftruncate(fd, oldSize);
    return err;
}

// Overwrites the file from its start and cuts it to the new length. The room is reserved first,
// so a full disk or quota fails before a byte of the old contents is touched. What this still
// risks: a crash or power loss in the middle leaves a mix of old and new bytes (and, where the
// file system could not reserve, a file that also holds a copy of the new contents at its end),
// and a copy-on-write file system (Btrfs, ZFS) may need fresh room for overwritten blocks, so a
// disk that fills up meanwhile can still cut the file short there.
int rewriteInPlace(const QByteArray& target, const QByteArray& bytes) {
    // Not blocking and not through a link: the path was checked, but what it names may have been
    // swapped since for a pipe, which would hold the open for ever.
    const int fd = ::open(target.constData(), O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return errno;
    struct stat old {};
    int err = ::fstat(fd, &old) != 0 ? errno : !S_ISREG(old.st_mode) ? kNotRegularFile : 0;
    if (err == 0) err = reserveRoom(fd, old.st_size, bytes);
    if (err == 0) {
        const bool written = ::lseek(fd, 0, SEEK_SET) == 0 && writeAll(fd, bytes) &&
                             ::ftruncate(fd, bytes.size()) == 0 && ::fsync(fd) == 0;
        err = written ? 0 : errno;
    }
    if (::close(fd) != 0 && err == 0) return errno;
    return err;
}

} // namespace

int ReplaceFileContents(const QByteArray& path, const QByteArray& bytes) {
    if (path.isEmpty()) return ENOENT;
    const QByteArray target = replaceTarget(path);
    if (target.isEmpty()) return errno;

    struct stat old {};
    const bool exists = ::lstat(target.constData(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode)) return EISDIR;
    // A device or a pipe is no file of ours: a rename would put a text file in its place.
    if (exists && !S_ISREG(old.st_mode)) return kNotRegularFile;
    // A rename would replace a file the user may not write; writing it in place would fail.
    if (exists && ::access(target.constData(), W_OK) != 0) return errno;
    // A new file would leave the file's other names holding the old contents.
    if (exists && old.st_nlink > 1) return rewriteInPlace(target, bytes);

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
    if (exists) {
        // The file stays its owner's, also when someone else (root, say) saves it; where the owner
        // cannot be given to a new file, only an in-place write keeps it.
        struct stat made {};
        if (::fstat(temp.fd(), &made) != 0) return errno;
        if ((made.st_uid != old.st_uid || made.st_gid != old.st_gid) &&
            ::fchown(temp.fd(), old.st_uid, old.st_gid) != 0)
            return rewriteInPlace(target, bytes);
        ::fchmod(temp.fd(), old.st_mode & 07777);
    }
    if (!writeAll(temp.fd(), bytes) || ::fsync(temp.fd()) != 0) return errno;
    if (!temp.close()) return errno;
    if (::rename(temp.name().constData(), target.constData()) != 0) return errno;
    temp.committed();
    return 0;
}

void RemoveStaleSaveFiles(const QString& folder, int olderThanSeconds) {
    static const QRegularExpression name(QStringLiteral("^\\.vexo-save-\\d+-\\d+\\.tmp$"));
    const QDateTime cutoff = QDateTime::currentDateTimeUtc().addSecs(-olderThanSeconds);
    const QFileInfoList entries = QDir(folder).entryInfoList({QString::fromLatin1(kTempPrefix) + '*'},
                                                             QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& entry : entries)
        if (!entry.isSymLink() && name.match(entry.fileName()).hasMatch() && entry.lastModified() < cutoff)
            QFile::remove(entry.filePath());
}
