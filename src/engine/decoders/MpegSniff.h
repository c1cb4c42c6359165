#pragma once
// Whether bytes start like MPEG audio that libmpg123 can take: any ID3v2 tags, then two frame
// headers in a row, the second where the first frame says it ends. Anything less sure (free
// format, junk before the first frame) is left to FFmpeg's probing.

#include <cstddef>
#include <cstdint>

// Length in bytes of the ID3v2 tag whose ten-byte header these are, or 0 when they are none.
std::size_t id3v2TagBytes(const std::uint8_t* header);
// Length in bytes of the frame whose header the four bytes are, or 0 when they are none.
int mpegFrameBytes(const std::uint8_t* header);
