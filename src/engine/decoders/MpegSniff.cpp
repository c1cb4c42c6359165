#include "MpegSniff.h"

namespace {

// kbps by [MPEG-1 or not][layer - 1][index 1..14]
constexpr int kBitrates[2][3][15] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}},
};
constexpr int kRates[3] = {44100, 48000, 32000};

} // namespace

std::size_t id3v2TagBytes(const std::uint8_t* b) {
    if (b[0] != 'I' || b[1] != 'D' || b[2] != '3' || ((b[6] | b[7] | b[8] | b[9]) & 0x80)) return 0;
    const std::size_t body =
        (std::size_t{b[6]} << 21) | (std::size_t{b[7]} << 14) | (std::size_t{b[8]} << 7) | b[9];
    return 10 + body + ((b[5] & 0x10) ? 10 : 0); // a footer repeats the header
}

int mpegFrameBytes(const std::uint8_t* h) {
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0) return 0;
    const int version = (h[1] >> 3) & 3; // 0: 2.5, 2: 2, 3: 1
    const int layer = 4 - ((h[1] >> 1) & 3);
    const int bitrateIndex = h[2] >> 4;
    const int rateIndex = (h[2] >> 2) & 3;
    if (version == 1 || layer == 4 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) return 0;
    const bool mpeg1 = version == 3;
    const int bitrate = kBitrates[mpeg1 ? 0 : 1][layer - 1][bitrateIndex] * 1000;
    const int rate = kRates[rateIndex] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
    const int padding = (h[2] >> 1) & 1;
    if (layer == 1) return (12 * bitrate / rate + padding) * 4;
    if (layer == 3 && !mpeg1) return 72 * bitrate / rate + padding;
    return 144 * bitrate / rate + padding;
}
