#include "CoverChoice.h"

#include <cstdint>
#include <string>

namespace {

constexpr unsigned kFrontCover = 3;

// The value of one base64 character, or -1 for a character outside the alphabet.
int base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

// Stops at the padding; nullopt for any other character outside the alphabet.
std::optional<std::string> decodeBase64(std::string_view text) {
    std::string bytes;
    bytes.reserve(text.size() / 4 * 3);
    std::uint32_t bits = 0;
    int count = 0;
    for (const char c : text) {
        if (c == '=') break;
        const int value = base64Value(c);
        if (value < 0) return std::nullopt;
        bits = (bits << 6) | static_cast<std::uint32_t>(value);
        count += 6;
        if (count >= 8) {
            count -= 8;
            bytes += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    return bytes;
}

} // namespace

void CoverChoice::offer(unsigned type, std::string_view mimeType, const unsigned char* bytes,
                        std::size_t size) {
    if (!bytes || size == 0 || size > kMaxCoverArtBytes) return;
    const bool front = type == kFrontCover;
    if (chosen_ && (front_ || !front)) return;
    chosen_ = CoverArt{std::string(mimeType), {bytes, bytes + size}};
    front_ = front;
}

void CoverChoice::offerFlacPicture(std::string_view block) {
    std::size_t at = 0;
    // Every length is checked against what is left, so a damaged one reads nothing past the end.
    const auto next = [&block, &at](std::uint32_t& value) {
        if (block.size() - at < 4) return false;
        const auto* p = reinterpret_cast<const unsigned char*>(block.data() + at);
        value = std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
        at += 4;
        return true;
    };
    std::uint32_t type = 0, mimeLength = 0, descriptionLength = 0, unused = 0, dataLength = 0;
    if (!next(type) || !next(mimeLength) || block.size() - at < mimeLength) return;
    const std::string_view mimeType = block.substr(at, mimeLength);
    at += mimeLength;
    if (!next(descriptionLength) || block.size() - at < descriptionLength) return;
    at += descriptionLength;
    // Width, height, colour depth and palette size: the image file tells them itself.
    for (int i = 0; i < 4; ++i)
        if (!next(unused)) return;
    if (!next(dataLength) || block.size() - at < dataLength) return;
    offer(type, mimeType, reinterpret_cast<const unsigned char*>(block.data() + at), dataLength);
}

void CoverChoice::offerBase64FlacPicture(std::string_view text) {
    // The header of a picture block is small beside the picture: a text too long for any picture
    // we would keep is not decoded at all.
    if (text.size() / 4 * 3 > kMaxCoverArtBytes + 64 * 1024) return;
    if (const std::optional<std::string> block = decodeBase64(text)) offerFlacPicture(*block);
}
