#pragma once
// What a decoder learns from a file's header: enough for the playlist (length,
// tags) and the information window (codec, bit rate, rate) without decoding.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

enum class TagKey { Title, Artist, Album, Track, Genre, Year, Comment };
inline constexpr int kTagCount = 7;

struct StreamFacts {
    int sampleRate = 0;            // Hz of the file
    int channels = 0;              // of the file, before the mix to stereo
    std::int64_t lengthFrames = 0; // at sampleRate; 0 when unknown
    std::uint32_t bitrateKbps = 0;
    std::string codec;
    std::array<std::optional<std::string>, kTagCount> tags;

    const std::optional<std::string>& tag(TagKey key) const { return tags[static_cast<int>(key)]; }
};
