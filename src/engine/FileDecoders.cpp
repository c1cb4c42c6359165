#include "FileDecoders.h"

#include "FfmpegModule.h"
#include "LocalPath.h"
#include "decoders/FlacDecoder.h"
#include "decoders/GuardedFile.h"
#include "decoders/Mp3Decoder.h"
#include "decoders/MpegSniff.h"
#include "decoders/VorbisDecoder.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace {

bool nameIs(const std::string& path, std::initializer_list<const char*> extensions) {
    const std::string ext = lowerExtension(path);
    for (const char* e : extensions)
        if (ext == e) return true;
    return false;
}

// Where the bytes after any ID3v2 tags at the start begin.
std::int64_t afterId3v2Tags(GuardedFile& file) {
    std::int64_t at = 0;
    std::array<std::uint8_t, 10> bytes{};
    for (int tags = 0; tags < 8 && file.readAt(at, bytes.data(), bytes.size()); ++tags) {
        const std::size_t size = id3v2TagBytes(bytes.data());
        if (size == 0) break;
        at += static_cast<std::int64_t>(size);
    }
    return at;
}

bool startsWith(GuardedFile& file, std::int64_t at, std::string_view magic) {
    std::array<char, 16> bytes{};
    return magic.size() <= bytes.size() && file.readAt(at, bytes.data(), magic.size()) &&
           std::string_view(bytes.data(), magic.size()) == magic;
}

// The offset of the first of two frame headers in a row after any ID3v2 tags, or -1. Anything
// less sure (free format, junk before the first frame) is left to FFmpeg's probing.
std::int64_t firstMpegFrame(GuardedFile& file) {
    const std::int64_t at = afterId3v2Tags(file);
    std::array<std::uint8_t, 4> bytes{};
    if (!file.readAt(at, bytes.data(), 4)) return -1;
    const int first = mpegFrameBytes(bytes.data());
    const bool two =
        first > 0 && file.readAt(at + first, bytes.data(), 4) && mpegFrameBytes(bytes.data()) > 0;
    return two ? at : -1;
}

} // namespace

std::unique_ptr<Decoder> openFileDecoder(const std::string& path, Decoder::Deadline deadline) {
    if (path.empty() || looksLikeUrl(path)) return nullptr;
    std::unique_ptr<GuardedFile> file = GuardedFile::open(path);
    if (!file) return nullptr;
    file->setDeadline(deadline);
    // The content must agree with the name, so that a file of an unusual kind under a common
    // name keeps going to FFmpeg's probing.
    std::unique_ptr<Decoder> decoder;
    if (nameIs(path, {".mp3", ".mp2", ".mp1"})) {
        if (const std::int64_t first = firstMpegFrame(*file); first >= 0)
            decoder = Mp3Decoder::open(std::move(file), deadline, first);
    } else if (nameIs(path, {".flac"})) {
        if (startsWith(*file, afterId3v2Tags(*file), "fLaC"))
            decoder = FlacDecoder::open(std::move(file), deadline);
    } else if (nameIs(path, {".ogg", ".oga"})) {
        // The first page of an Ogg file holds the first header of its first stream: Vorbis here.
        if (startsWith(*file, 0, "OggS") && startsWith(*file, 28, "\x01vorbis"))
            decoder = VorbisDecoder::open(std::move(file), deadline);
    }
    if (decoder) return decoder;
    if (std::chrono::steady_clock::now() > deadline) return nullptr;
    return openWithFfmpeg(path, deadline);
}
