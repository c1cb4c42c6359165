#include "SharedObjectCheck.h"

#include "FileDescriptor.h"

#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

using Header = ElfW(Ehdr);
using Segment = ElfW(Phdr);
using Section = ElfW(Shdr);

// A segment table of more entries than this is damage, not a library.
constexpr unsigned kMaxSegments = 256;

bool readAt(int fd, std::uint64_t offset, void* buffer, std::size_t bytes) {
    auto* at = static_cast<char*>(buffer);
    while (bytes > 0) {
        const ssize_t n = ::pread(fd, at, bytes, static_cast<off_t>(offset));
        if (n <= 0) return false;
        at += n;
        offset += static_cast<std::uint64_t>(n);
        bytes -= static_cast<std::size_t>(n);
    }
    return true;
}

// True when [offset, offset + bytes) lies inside a file of `size` bytes, without overflow.
bool inside(std::uint64_t offset, std::uint64_t bytes, std::uint64_t size) {
    return offset <= size && bytes <= size - offset;
}

// The running program's own header: what a library must match to be mapped beside it.
const Header* ownHeader() {
    static const Header header = [] {
        Header h{};
        const FileDescriptor self(::open("/proc/self/exe", O_RDONLY | O_CLOEXEC));
        if (self.get() < 0 || !readAt(self.get(), 0, &h, sizeof h)) h = Header{};
        return h;
    }();
    return header.e_ident[EI_MAG0] == ELFMAG0 ? &header : nullptr;
}

} // namespace

std::string sharedObjectFault(const std::string& path) {
    // Without blocking: a named pipe under a plug-in's name has no writer.
    const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0)
        return std::string("it cannot be read: ") + std::strerror(errno);
    if (!S_ISREG(st.st_mode)) return "it is not a regular file";
    const auto size = static_cast<std::uint64_t>(st.st_size);

    Header h{};
    if (size < sizeof h || !readAt(fd.get(), 0, &h, sizeof h) || std::memcmp(h.e_ident, ELFMAG, SELFMAG) != 0)
        return "it is not a shared object";
    if (h.e_type != ET_DYN) return "it is not a shared object";
    const Header* own = ownHeader();
    if (!own || h.e_ident[EI_CLASS] != own->e_ident[EI_CLASS] ||
        h.e_ident[EI_DATA] != own->e_ident[EI_DATA] || h.e_machine != own->e_machine)
        return "it is built for another machine";

    if (h.e_phentsize != sizeof(Segment) || h.e_phnum == 0 || h.e_phnum > kMaxSegments ||
        !inside(h.e_phoff, std::uint64_t{h.e_phnum} * sizeof(Segment), size))
        return "it is cut short or damaged";
    std::vector<Segment> segments(h.e_phnum);
    if (!readAt(fd.get(), h.e_phoff, segments.data(), segments.size() * sizeof(Segment)))
        return "it is cut short or damaged";
    bool loadable = false;
    for (const Segment& s : segments) {
        if (s.p_type != PT_LOAD && s.p_type != PT_DYNAMIC) continue;
        loadable = loadable || s.p_type == PT_LOAD;
        if (!inside(s.p_offset, s.p_filesz, size)) return "it is cut short";
    }
    if (!loadable) return "it is not a shared object";
    // The section table sits at the very end of a linked library: a half-copied file loses it
    // first, even where its segments still fit.
    if (h.e_shnum > 0 && (h.e_shentsize != sizeof(Section) ||
                          !inside(h.e_shoff, std::uint64_t{h.e_shnum} * sizeof(Section), size)))
        return "it is cut short";
    return {};
}
