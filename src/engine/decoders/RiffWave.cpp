#include "RiffWave.h"

#include "GuardedFile.h"

#include <cstring>

namespace {

// More chunks than any writer makes: the walk stays short whatever the file holds.
constexpr int kMaxChunks = 4096;

std::uint32_t littleEndian32(const unsigned char* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

// Chunk names are four printable characters; zeros or noise mean the chunks have ended.
bool isChunkName(const unsigned char* p) {
    for (int i = 0; i < 4; ++i)
        if (p[i] < 0x20 || p[i] > 0x7e) return false;
    return true;
}

} // namespace

std::int64_t riffWaveEnd(GuardedFile& file) {
    unsigned char head[12];
    if (!file.readAt(0, head, sizeof head) || std::memcmp(head, "RIFF", 4) != 0 ||
        std::memcmp(head + 8, "WAVE", 4) != 0)
        return -1;
    std::int64_t at = sizeof head;
    bool data = false;
    for (int chunk = 0; chunk < kMaxChunks && at + 8 <= file.size(); ++chunk) {
        unsigned char header[8];
        if (!file.readAt(at, header, sizeof header) || !isChunkName(header)) break;
        const std::uint32_t bytes = littleEndian32(header + 4);
        const bool isData = std::memcmp(header, "data", 4) == 0;
        if (isData && (bytes == 0 || bytes == 0xFFFFFFFFu)) return -1;
        data = data || isData;
        // Chunks are padded to an even size.
        const std::int64_t next = at + 8 + bytes + (bytes & 1);
        if (next >= file.size()) return data ? file.size() : -1;
        at = next;
    }
    return data ? at : -1;
}
