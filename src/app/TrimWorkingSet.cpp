#include "TrimWorkingSet.h"

#include <fcntl.h>
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr std::uint64_t kPresent = 1ull << 63;
constexpr std::uint64_t kFilePage = 1ull << 61;

// Drops the pages of a mapping that still hold the file's own bytes, in
// runs. A page the loader wrote (relocations) is a private copy by now and
// stays: dropping it would lose what was written.
void releaseFilePages(int pagemap, std::uintptr_t from, std::uintptr_t to, std::size_t pageSize,
                      std::vector<std::uint64_t>& entries) {
    const std::size_t pages = (to - from) / pageSize;
    entries.resize(pages);
    const auto at = static_cast<off_t>(from / pageSize * sizeof(std::uint64_t));
    if (pread(pagemap, entries.data(), pages * sizeof(std::uint64_t), at) !=
        static_cast<ssize_t>(pages * sizeof(std::uint64_t)))
        return;
    std::size_t run = 0;
    for (std::size_t i = 0; i <= pages; ++i) {
        const bool droppable = i < pages && (entries[i] & kPresent) && (entries[i] & kFilePage);
        if (droppable) continue;
        if (i > run)
            madvise(reinterpret_cast<void*>(from + run * pageSize), (i - run) * pageSize, MADV_DONTNEED);
        run = i + 1;
    }
}

// Takes the program's and its libraries' read-only pages out of the working
// set. Each comes back unchanged, from the page cache, the next time it is
// used; what stays out is what was loaded with a library and never used (most
// of what the decoders' many dependencies bring).
void releaseReadOnlyPages() {
    std::FILE* maps = std::fopen("/proc/self/maps", "re");
    const int pagemap = open("/proc/self/pagemap", O_RDONLY | O_CLOEXEC);
    const auto pageSize = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    std::vector<std::uint64_t> entries;
    char line[512];
    while (maps && pagemap >= 0 && std::fgets(line, sizeof line, maps)) {
        unsigned long long from = 0, to = 0, offset = 0, inode = 0;
        char perms[5] = {};
        char device[16] = {};
        if (std::sscanf(line, "%llx-%llx %4s %llx %15s %llu", &from, &to, perms, &offset, device, &inode) !=
            6)
            continue;
        // File-backed, private and never writable: code and constant data.
        if (inode == 0 || perms[0] != 'r' || perms[1] != '-' || perms[3] != 'p') continue;
        releaseFilePages(pagemap, static_cast<std::uintptr_t>(from), static_cast<std::uintptr_t>(to),
                         pageSize, entries);
    }
    if (pagemap >= 0) close(pagemap);
    if (maps) std::fclose(maps);
}

} // namespace

void TrimWorkingSet() {
    malloc_trim(0);
    releaseReadOnlyPages();
}
