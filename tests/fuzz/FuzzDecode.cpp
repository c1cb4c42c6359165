// Opening and decoding arbitrary bytes as an audio file: a refusal or some audio, never a crash,
// a hang or a read out of bounds. Seeks go back and forward as a user's would.
#include "FileDecoders.h"
#include "FuzzFile.h"

#include <cstring>

namespace {

// The name the bytes' own kind would have, so that each format's decoder gets the mutations of
// its own seeds (the decoders are chosen by name and content together).
const char* extensionFor(const std::uint8_t* data, std::size_t size) {
    const auto startsWith = [&](const char* magic) {
        return size >= std::strlen(magic) && std::memcmp(data, magic, std::strlen(magic)) == 0;
    };
    if (startsWith("ID3") || (size >= 2 && data[0] == 0xFF && (data[1] & 0xE0) == 0xE0)) return "mp3";
    if (startsWith("fLaC")) return "flac";
    if (startsWith("OggS")) return "ogg";
    return "bin";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray path = WriteFuzzInput(data, size, extensionFor(data, size));
    if (path.isEmpty()) return 0;
    auto decoder = openFileDecoder(path.toStdString());
    if (!decoder || !decoder->start(44100)) return 0;
    float block[2 * 1024];
    for (int i = 0; i < 64 && decoder->read(block, 1024) > 0; ++i) {
    }
    decoder->seek(decoder->facts().lengthFrames / 2);
    decoder->read(block, 1024);
    decoder->seek(0);
    decoder->read(block, 1024);
    return 0;
}
