#include "M3uReader.h"

#include "FileDescriptor.h"
#include "FileError.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr QByteArrayView kHeader = "#EXTM3U";
constexpr size_t kBlockBytes = 256 * 1024;
// PATH_MAX counts the terminating zero.
constexpr qsizetype kLongestPath = PATH_MAX - 1;

// Splits the byte stream into lines and applies the header and comment rules.
class LineSplitter {
  public:
    explicit LineSplitter(const std::function<void(const QByteArray&)>& onEntry) : onEntry_(onEntry) {}

    // False once the text has ended: a zero byte or a missing header.
    bool feed(const char* data, size_t size) {
        size_t i = 0;
        if (skipLineFeed_ && size > 0) {
            skipLineFeed_ = false;
            if (data[0] == '\n') i = 1;
        }
        while (i < size) {
            size_t end = i;
            while (end < size && data[end] != '\r' && data[end] != '\n' && data[end] != '\0')
                ++end;
            // A line longer than any path can be names no file: it is dropped
            // at its end without being held (a huge file may be one line).
            if (!overlong_) {
                line_.append(data + i, qsizetype(end - i));
                if (line_.size() > kLongestPath) {
                    overlong_ = true;
                    line_.clear();
                    line_.squeeze();
                }
            }
            // The header is short: a longer first line is refused without
            // buffering all of it (binary files often have no line ends).
            if (!headerSeen_ && (overlong_ || line_.size() > kHeader.size())) return headerFailed();
            if (end == size) return true;
            if (data[end] == '\0') return finish();
            if (!endLine()) return false;
            i = end + 1;
            if (data[end] == '\r') {
                if (i == size)
                    skipLineFeed_ = true;
                else if (data[i] == '\n')
                    ++i;
            }
        }
        return true;
    }

    // The text ended (end of file or zero byte); a last line without a line
    // end still counts.
    bool finish() {
        if (!line_.isEmpty() || overlong_) endLine();
        return false;
    }

  private:
    bool headerFailed() {
        headerSeen_ = true;
        headerOk_ = false;
        return false;
    }

    bool endLine() {
        if (!headerSeen_) {
            headerSeen_ = true;
            headerOk_ = line_ == kHeader;
            line_.clear();
            return headerOk_;
        }
        if (!overlong_ && !line_.isEmpty() && line_[0] != '#') onEntry_(line_);
        overlong_ = false;
        line_.clear();
        return true;
    }

    const std::function<void(const QByteArray&)>& onEntry_;
    QByteArray line_;
    bool headerSeen_ = false, headerOk_ = false;
    bool skipLineFeed_ = false; // a CR ended the last block; an LF may follow
    bool overlong_ = false;     // the line being read is too long to be a path
};

FileError openFailed(const QByteArray& path, int reason) {
    return {FileError::Step::Open, path, reason};
}

} // namespace

FileResult ReadM3uEntries(const QByteArray& path,
                          const std::function<void(const QByteArray& line)>& onEntry) {
    // Without O_NONBLOCK a named pipe would hold open() until a writer came.
    FileDescriptor file(path.isEmpty() ? -1 : ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0) return openFailed(path, path.isEmpty() ? ENOENT : errno);
    // Only a regular file is a playlist: a pipe, a device or a socket may
    // never end or may stall every read.
    struct stat st {};
    if (::fstat(file.get(), &st) != 0) return openFailed(path, errno);
    if (S_ISDIR(st.st_mode)) return openFailed(path, EISDIR);
    if (!S_ISREG(st.st_mode)) return openFailed(path, kNotRegularFile);

    LineSplitter splitter(onEntry);
    std::vector<char> block(kBlockBytes);
    for (;;) {
        const ssize_t got = ::read(file.get(), block.data(), block.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return openFailed(path, errno);
        if (got == 0) {
            splitter.finish();
            break;
        }
        if (!splitter.feed(block.data(), size_t(got))) break;
    }
    return {};
}
