#pragma once
// A picture a file carries as its cover, as the file holds it: an image file's bytes and the MIME
// type the file gives them. The type may be missing or wrong (old ID3 tags name the format in
// three letters); the bytes themselves tell.

#include <cstddef>
#include <string>
#include <vector>

struct CoverArt {
    std::string mimeType;
    std::vector<unsigned char> bytes;
};

// Larger pictures are passed over: a cover is a few hundred kilobytes, and a damaged length
// must not make a reader hold gigabytes.
inline constexpr std::size_t kMaxCoverArtBytes = std::size_t{16} << 20;
