// Trimming the working set takes read-only file pages out of it, gives them
// back unchanged when they are read again, and never touches a page that was
// written (as the loader writes a library's relocations before protecting them).
#include "TrimWorkingSet.h"

#include <gtest/gtest.h>

#include <QTemporaryFile>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

namespace {

constexpr int kPages = 64;

// Pages of [at, at + pages) that are in this process's working set.
int residentPages(const void* at, int pages) {
    const auto pageSize = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const int pagemap = open("/proc/self/pagemap", O_RDONLY | O_CLOEXEC);
    std::vector<std::uint64_t> entries(static_cast<std::size_t>(pages));
    const auto offset = static_cast<off_t>(reinterpret_cast<std::uintptr_t>(at) / pageSize * 8);
    const ssize_t got = pread(pagemap, entries.data(), entries.size() * 8, offset);
    close(pagemap);
    if (got != static_cast<ssize_t>(entries.size() * 8)) return -1;
    int present = 0;
    for (std::uint64_t e : entries)
        present += (e >> 63) & 1;
    return present;
}

} // namespace

TEST(TrimWorkingSet, ReadOnlyFilePagesLeaveAndComeBackUnchangedWrittenOnesStay) {
    const long pageSize = sysconf(_SC_PAGESIZE);
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    std::vector<unsigned char> bytes(static_cast<std::size_t>(kPages * pageSize));
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<unsigned char>(i * 7 + i / 4096);
    ASSERT_EQ(file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size())),
              static_cast<qint64>(bytes.size()));
    file.flush();

    // One mapping read only, like a library's code; one written, then protected, like its relocations.
    const auto size = bytes.size();
    auto* code = static_cast<unsigned char*>(mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file.handle(), 0));
    auto* relocated = static_cast<unsigned char*>(
        mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE, file.handle(), 0));
    ASSERT_NE(code, MAP_FAILED);
    ASSERT_NE(relocated, MAP_FAILED);
    unsigned sum = 0;
    for (std::size_t i = 0; i < size; i += static_cast<std::size_t>(pageSize))
        sum += code[i] + relocated[i];
    relocated[5] = 0xAB;
    relocated[3 * pageSize + 1] = 0xCD;
    ASSERT_EQ(mprotect(relocated, size, PROT_READ), 0);
    ASSERT_EQ(residentPages(code, kPages), kPages) << sum;

    TrimWorkingSet();

    EXPECT_EQ(residentPages(code, kPages), 0);
    // The written pages are private copies now; they must stay as written.
    EXPECT_EQ(relocated[5], 0xAB);
    EXPECT_EQ(relocated[3 * pageSize + 1], 0xCD);
    EXPECT_EQ(relocated[6], bytes[6]);
    for (std::size_t i = 0; i < size; ++i) {
        ASSERT_EQ(code[i], bytes[i]) << i;
        if (i != 5 && i != static_cast<std::size_t>(3 * pageSize + 1)) {
            ASSERT_EQ(relocated[i], bytes[i]) << i;
        }
    }
    EXPECT_EQ(residentPages(code, kPages), kPages);
    munmap(code, size);
    munmap(relocated, size);
}
