// Opening and decoding arbitrary bytes as an audio file: a refusal or some audio, never a crash,
// a hang or a read out of bounds. Seeks go back and forward as a user's would.
#include "FileDecoders.h"
#include "FuzzFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray path = WriteFuzzInput(data, size, "bin");
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
