#include "TrimmedLength.h"

#include "decoders/GuardedFile.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/mathematics.h>
}

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

// More boxes than any writer makes: a hostile file cannot keep the walk going.
constexpr int kMaxBoxes = 4096;

std::uint64_t bigEndian(const unsigned char* p, int bytes) {
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = v << 8 | p[i];
    return v;
}

// Calls `visit(type, body, end)` for each box in [from, to) until it returns false or a box does not
// fit.
template <class Visit> void eachBox(GuardedFile& file, std::int64_t from, std::int64_t to, Visit visit) {
    for (int count = 0; count < kMaxBoxes && from + 8 <= to; ++count) {
        unsigned char head[16];
        if (!file.readAt(from, head, 8)) return;
        std::uint64_t size = bigEndian(head, 4);
        std::int64_t body = from + 8;
        if (size == 1) {
            if (from + 16 > to || !file.readAt(from + 8, head + 8, 8)) return;
            size = bigEndian(head + 8, 8);
            body += 8;
        } else if (size == 0) {
            size = static_cast<std::uint64_t>(to - from); // to the end
        }
        if (size < static_cast<std::uint64_t>(body - from) || size > static_cast<std::uint64_t>(to - from))
            return;
        const auto end = from + static_cast<std::int64_t>(size);
        if (!visit(std::string_view(reinterpret_cast<char*>(head) + 4, 4), body, end)) return;
        from = end;
    }
}

// Reads `bytes` at `at` when they lie before `end`.
bool readIn(GuardedFile& file, std::int64_t at, std::int64_t end, unsigned char* out, int bytes) {
    return at + bytes <= end && file.readAt(at, out, static_cast<std::size_t>(bytes));
}

// A full box starts with its version; time fields are 64 bits wide in version 1.
struct Track {
    bool sound = false;
    std::int64_t scale = 0, duration = 0; // mdhd
    int edits = 0;
    std::int64_t editDuration = 0, mediaTime = -1; // the first edit, in the movie's scale and the track's
};

void readMedia(GuardedFile& file, std::int64_t from, std::int64_t to, Track& track) {
    eachBox(file, from, to, [&](std::string_view type, std::int64_t body, std::int64_t end) {
        unsigned char b[32];
        if (type == "hdlr" && readIn(file, body, end, b, 12))
            track.sound = std::memcmp(b + 8, "soun", 4) == 0;
        if (type == "mdhd" && readIn(file, body, end, b, 1)) {
            const bool wide = b[0] == 1;
            if (readIn(file, body, end, b, wide ? 32 : 20)) {
                track.scale = static_cast<std::int64_t>(bigEndian(b + (wide ? 20 : 12), 4));
                track.duration = static_cast<std::int64_t>(bigEndian(b + (wide ? 24 : 16), wide ? 8 : 4));
            }
        }
        return true;
    });
}

void readTrack(GuardedFile& file, std::int64_t from, std::int64_t to, Track& track) {
    eachBox(file, from, to, [&](std::string_view type, std::int64_t body, std::int64_t end) {
        if (type == "mdia") readMedia(file, body, end, track);
        if (type != "edts") return true;
        eachBox(file, body, end, [&](std::string_view inner, std::int64_t at, std::int64_t stop) {
            unsigned char b[28];
            if (inner != "elst" || !readIn(file, at, stop, b, 8)) return true;
            const bool wide = b[0] == 1;
            track.edits = static_cast<int>(bigEndian(b + 4, 4));
            if (track.edits > 0 && readIn(file, at + 8, stop, b, wide ? 16 : 8)) {
                track.editDuration = static_cast<std::int64_t>(bigEndian(b, wide ? 8 : 4));
                const std::uint64_t time = bigEndian(b + (wide ? 8 : 4), wide ? 8 : 4);
                track.mediaTime = wide ? static_cast<std::int64_t>(time) : static_cast<std::int32_t>(time);
            }
            return false;
        });
        return true;
    });
}

// The length an MP4's one edit keeps, at `rate`. An edit that ends less than one tick of the movie's
// scale before the media does means the media's end: the writer could not say it more finely.
std::int64_t mp4EditLength(GuardedFile& file, int rate) {
    std::int64_t movieScale = 0;
    int soundTracks = 0;
    Track sound;
    eachBox(file, 0, file.size(), [&](std::string_view type, std::int64_t body, std::int64_t end) {
        if (type != "moov") return true;
        eachBox(file, body, end, [&](std::string_view inner, std::int64_t at, std::int64_t stop) {
            unsigned char b[24];
            if (inner == "mvhd" && readIn(file, at, stop, b, 1)) {
                const bool wide = b[0] == 1;
                if (readIn(file, at, stop, b, wide ? 24 : 16))
                    movieScale = static_cast<std::int64_t>(bigEndian(b + (wide ? 20 : 12), 4));
            } else if (inner == "trak") {
                Track track;
                readTrack(file, at, stop, track);
                if (track.sound && ++soundTracks == 1) sound = track;
            }
            return true;
        });
        return false;
    });
    if (soundTracks != 1 || sound.edits != 1 || sound.mediaTime < 0 || movieScale <= 0 || sound.scale <= 0)
        return -1;
    const std::int64_t rest = sound.duration - sound.mediaTime;
    const double edit = static_cast<double>(sound.editDuration) * sound.scale / movieScale;
    if (rest > 0 && (sound.editDuration == 0 || std::abs(edit - rest) < double(sound.scale) / movieScale + 1))
        return av_rescale(rest, rate, sound.scale);
    return sound.editDuration > 0 ? av_rescale(std::llround(edit), rate, sound.scale) : -1;
}

// iTunes' "iTunSMPB": hexadecimal fields, the fourth of them the count of the samples without the
// encoder's delay and padding.
std::int64_t itunesLength(const AVFormatContext& format) {
    const AVDictionaryEntry* e = av_dict_get(format.metadata, "iTunSMPB", nullptr, 0);
    if (!e) return -1;
    const char* at = e->value;
    std::int64_t field = -1;
    for (int i = 0; i < 4; ++i) {
        char* next = nullptr;
        field = std::strtoll(at, &next, 16);
        if (next == at) return -1;
        at = next;
    }
    return field > 0 ? field : -1;
}

} // namespace

std::int64_t trimmedLength(const AVFormatContext& format, const AVStream& stream, GuardedFile& file) {
    if (stream.duration <= 0 || stream.duration == AV_NOPTS_VALUE) return -1;
    const std::string_view container = format.iformat ? format.iformat->name : "";
    const int rate = stream.codecpar->sample_rate;
    const std::int64_t found = av_rescale_q(stream.duration, stream.time_base, AVRational{1, rate});
    std::int64_t exact = -1;
    if (container.find("mp4") != std::string_view::npos) {
        exact = itunesLength(format);
        if (exact <= 0) exact = mp4EditLength(file, rate);
    } else if (container == "ogg" && stream.codecpar->codec_id == AV_CODEC_ID_OPUS) {
        // An Ogg Opus stream's granule positions, and so FFmpeg's duration, count the pre-skip.
        exact = found - stream.codecpar->initial_padding;
    }
    // Delay and padding are a few thousand samples at most: a figure further from FFmpeg's is damage.
    return exact > 0 && std::llabs(exact - found) < rate / 4 ? exact : -1;
}
