// Slow media for the benchmarks, loaded with LD_PRELOAD: every open, stat and read of a file whose
// path holds a marker first waits, as on a disk that spins up or a network mount that hangs.
//
//   VEXO_SLOW_READS="/slow/=300,/hang/=15000"   paths holding "/slow/" wait 300 ms at each call,
//                                                paths holding "/hang/" 15 s
//
// Reads are known by their descriptor, remembered from the open that made it together with the file
// it opened, so that a number the program reuses after a close this library does not see (the C
// library's own) never slows a socket or pipe. Only the calls the
// player makes are covered: the open, stat and read families of the C library as programs call
// them; a library that reads through its own system calls would go unslowed.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <time.h>
#include <unistd.h>

enum { kMarkers = 8, kMarkerBytes = 64, kFds = 65536 };

static struct {
    char text[kMarkerBytes];
    int ms;
} markers[kMarkers];
static int markerCount;
// The wait of each open descriptor, in milliseconds (0 for one that reads at full speed), and the
// file it was opened on.
static int fdWaitMs[kFds];
static dev_t fdDevice[kFds];
static ino_t fdInode[kFds];

__attribute__((constructor)) static void readMarkers(void) {
    const char* setting = getenv("VEXO_SLOW_READS");
    while (setting && *setting && markerCount < kMarkers) {
        const char* end = strchr(setting, ',');
        const char* eq = strchr(setting, '=');
        const size_t length = end ? (size_t)(end - setting) : strlen(setting);
        if (eq && (size_t)(eq - setting) < length && (size_t)(eq - setting) < kMarkerBytes && eq != setting) {
            memcpy(markers[markerCount].text, setting, (size_t)(eq - setting));
            markers[markerCount].ms = atoi(eq + 1);
            ++markerCount;
        }
        setting = end ? end + 1 : NULL;
    }
}

static int waitOfPath(const char* path) {
    for (int i = 0; path && i < markerCount; ++i)
        if (strstr(path, markers[i].text)) return markers[i].ms;
    return 0;
}

static int waitOfFd(int fd) {
    const int ms = fd >= 0 && fd < kFds ? __atomic_load_n(&fdWaitMs[fd], __ATOMIC_ACQUIRE) : 0;
    struct stat st;
    if (ms == 0 || fstat(fd, &st) != 0 || st.st_dev != fdDevice[fd] || st.st_ino != fdInode[fd]) return 0;
    return ms;
}

static void waitMs(int ms) {
    if (ms <= 0) return;
    const int saved = errno;
    struct timespec left = {ms / 1000, (long)(ms % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
    errno = saved;
}

static int opened(int fd, int ms) {
    if (fd < 0 || fd >= kFds) return fd;
    struct stat st;
    if (ms > 0 && fstat(fd, &st) == 0) {
        fdDevice[fd] = st.st_dev;
        fdInode[fd] = st.st_ino;
    } else {
        ms = 0;
    }
    __atomic_store_n(&fdWaitMs[fd], ms, __ATOMIC_RELEASE);
    return fd;
}

// The C library's own function, looked up once: read() runs for every socket and pipe of the player.
#define REAL(name)                                                                                           \
    ({                                                                                                       \
        static __typeof__(&name) real;                                                                       \
        __typeof__(&name) found = __atomic_load_n(&real, __ATOMIC_ACQUIRE);                                  \
        if (!found) {                                                                                        \
            found = (__typeof__(&name))dlsym(RTLD_NEXT, #name);                                              \
            __atomic_store_n(&real, found, __ATOMIC_RELEASE);                                                \
        }                                                                                                    \
        found;                                                                                               \
    })

// The mode argument is there only when a file may be made.
#define MODE_ARG(flags, mode)                                                                                \
    mode_t mode = 0;                                                                                         \
    if ((flags) & (O_CREAT | O_TMPFILE)) {                                                                   \
        va_list args;                                                                                        \
        va_start(args, flags);                                                                               \
        mode = va_arg(args, mode_t);                                                                         \
        va_end(args);                                                                                        \
    }

int open(const char* path, int flags, ...) {
    MODE_ARG(flags, mode);
    const int ms = waitOfPath(path);
    waitMs(ms);
    return opened(REAL(open)(path, flags, mode), ms);
}

int open64(const char* path, int flags, ...) {
    MODE_ARG(flags, mode);
    const int ms = waitOfPath(path);
    waitMs(ms);
    return opened(REAL(open64)(path, flags, mode), ms);
}

int openat(int dir, const char* path, int flags, ...) {
    MODE_ARG(flags, mode);
    const int ms = waitOfPath(path);
    waitMs(ms);
    return opened(REAL(openat)(dir, path, flags, mode), ms);
}

int openat64(int dir, const char* path, int flags, ...) {
    MODE_ARG(flags, mode);
    const int ms = waitOfPath(path);
    waitMs(ms);
    return opened(REAL(openat64)(dir, path, flags, mode), ms);
}

int __open_2(const char* path, int flags) {
    return open(path, flags);
}

int __open64_2(const char* path, int flags) {
    return open64(path, flags);
}

int __openat_2(int dir, const char* path, int flags) {
    return openat(dir, path, flags);
}

int __openat64_2(int dir, const char* path, int flags) {
    return openat64(dir, path, flags);
}

int close(int fd) {
    opened(fd, 0);
    return REAL(close)(fd);
}

ssize_t read(int fd, void* buffer, size_t bytes) {
    waitMs(waitOfFd(fd));
    return REAL(read)(fd, buffer, bytes);
}

ssize_t pread(int fd, void* buffer, size_t bytes, off_t offset) {
    waitMs(waitOfFd(fd));
    return REAL(pread)(fd, buffer, bytes, offset);
}

ssize_t pread64(int fd, void* buffer, size_t bytes, off64_t offset) {
    waitMs(waitOfFd(fd));
    return REAL(pread64)(fd, buffer, bytes, offset);
}

ssize_t readv(int fd, const struct iovec* parts, int count) {
    waitMs(waitOfFd(fd));
    return REAL(readv)(fd, parts, count);
}

int stat(const char* path, struct stat* out) {
    waitMs(waitOfPath(path));
    return REAL(stat)(path, out);
}

int stat64(const char* path, struct stat64* out) {
    waitMs(waitOfPath(path));
    return REAL(stat64)(path, out);
}

int lstat(const char* path, struct stat* out) {
    waitMs(waitOfPath(path));
    return REAL(lstat)(path, out);
}

int lstat64(const char* path, struct stat64* out) {
    waitMs(waitOfPath(path));
    return REAL(lstat64)(path, out);
}

int fstatat(int dir, const char* path, struct stat* out, int flags) {
    waitMs(waitOfPath(path));
    return REAL(fstatat)(dir, path, out, flags);
}

int fstatat64(int dir, const char* path, struct stat64* out, int flags) {
    waitMs(waitOfPath(path));
    return REAL(fstatat64)(dir, path, out, flags);
}

int statx(int dir, const char* path, int flags, unsigned int mask, struct statx* out) {
    waitMs(waitOfPath(path));
    return REAL(statx)(dir, path, flags, mask, out);
}

int access(const char* path, int mode) {
    waitMs(waitOfPath(path));
    return REAL(access)(path, mode);
}
