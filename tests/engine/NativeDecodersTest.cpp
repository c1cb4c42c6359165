// The decoders built on a format's own library against FFmpeg's on the same files, and against
// files that are not what their names say.
#include "AudioFixtures.h"
#include "FfmpegModule.h"
#include "FileDecoders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <thread>

namespace {

std::string source(int rate, int channels, double seconds = 2) {
    return "-f lavfi -i anoisesrc=r=" + std::to_string(rate) + ":a=0.3:d=" + std::to_string(seconds) +
           ":seed=3 -ac " + std::to_string(channels) + " ";
}

const std::string kTags = "-metadata title=\"Заголовок\" -metadata artist=Artist -metadata album=Album "
                          "-metadata track=3/9 -metadata date=2001 -metadata comment=Note ";

std::vector<float> decodeAll(Decoder& decoder) {
    std::vector<float> all, piece(2 * 4096);
    for (int n; (n = decoder.read(piece.data(), 4096)) > 0;)
        all.insert(all.end(), piece.begin(), piece.begin() + 2 * n);
    return all;
}

std::string bytesOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

TEST(NativeDecoders, FactsTagsAndSoundAreTheOnesFfmpegGives) {
    const char* const files[][2] = {
        {"cbr.mp3", "-c:a libmp3lame -b:a 160k -id3v2_version 3 -metadata genre=Genre"},
        {"v24.mp3", "-c:a libmp3lame -b:a 96k -id3v2_version 4 -metadata genre=\"(17)\""},
        {"vbr-mono.mp3", "-c:a libmp3lame -q:a 5 -ac 1 -metadata genre=13"},
        {"v1-only.mp3", "-c:a libmp3lame -id3v2_version 0 -write_id3v1 1 -metadata genre=Blues"},
        {"mpeg2.mp3", "-c:a libmp3lame -ar 22050 -b:a 64k"},
        {"layer2.mp2", "-c:a mp2 -b:a 192k -ar 48000"},
        {"s16.flac", "-c:a flac -metadata genre=Genre"},
        {"s24-96k-mono.flac", "-c:a flac -sample_fmt s32 -ar 96000 -ac 1"},
        {"stereo.ogg", "-c:a libvorbis -b:a 128k -metadata genre=Genre"},
        {"mono-vbr.oga", "-c:a libvorbis -q:a 2 -ac 1 -ar 32000"},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file[0]);
        const std::string path = makeAudio(file[0], source(44100, 2) + kTags + file[1]);
        ASSERT_FALSE(path.empty());
        const auto native = openFileDecoder(path);
        const auto ffmpeg = openWithFfmpeg(path, Decoder::Deadline::max());
        ASSERT_TRUE(native && ffmpeg);
        const StreamFacts& n = native->facts();
        const StreamFacts& f = ffmpeg->facts();
        EXPECT_EQ(n.sampleRate, f.sampleRate);
        EXPECT_EQ(n.channels, f.channels);
        EXPECT_EQ(n.codec, f.codec);
        EXPECT_NEAR(n.bitrateKbps, f.bitrateKbps, 1);
        // FFmpeg counts an MP3 encoder's padding into the length, libmpg123 does not.
        EXPECT_NEAR(n.lengthFrames, f.lengthFrames, n.codec == "mp3" ? 2 * 1152 + 576 : 0);
        for (int i = 0; i < kTagCount; ++i)
            EXPECT_EQ(n.tags[i], f.tags[i]) << "tag " << i;

        ASSERT_TRUE(native->start(44100) && ffmpeg->start(44100));
        const std::vector<float> a = decodeAll(*native), b = decodeAll(*ffmpeg);
        ASSERT_GT(a.size(), 44100u);
        // Resamplers differ in their filters, so the sound is compared by the energy of the difference.
        double signal = 0, difference = 0;
        for (std::size_t i = 0; i + 4096 < std::min(a.size(), b.size()); ++i) {
            signal += double(b[i]) * b[i];
            difference += double(a[i] - b[i]) * (a[i] - b[i]);
        }
        EXPECT_LT(10 * std::log10(difference / signal), n.sampleRate == 44100 ? -60 : -20)
            << "the two decoders' sound differs";
    }
}

TEST(NativeDecoders, DamagedOrMisnamedFilesNeverCrashAndPlayWhatIsLeft) {
    for (const char* kind : {"mp3", "flac", "ogg"}) {
        SCOPED_TRACE(kind);
        const std::string name = std::string("three-seconds.") + kind;
        const std::string bytes = bytesOf(makeAudio(name, source(44100, 2, 3)));
        ASSERT_GT(bytes.size(), 10000u);

        // Cut short: what is there plays, then the stream ends. An Ogg file is refused instead, by
        // FFmpeg as by libvorbisfile: both look for its length on its last page.
        auto cut = openFileDecoder(makeFile(std::string("cut.") + kind, bytes.substr(0, bytes.size() / 3)));
        if (std::string(kind) == "ogg") {
            EXPECT_FALSE(cut);
        } else {
            ASSERT_TRUE(cut && cut->start(44100));
            const std::size_t cutFrames = decodeAll(*cut).size() / 2;
            EXPECT_GT(cutFrames, 44100u * 3 / 4);
            EXPECT_LT(cutFrames, 44100u * 3 / 2);
        }

        // A stretch of garbage in the middle: MPEG and FLAC frames are found again after it; an Ogg
        // stream ends at it, as FFmpeg's reader ends it.
        std::string holed = bytes;
        for (std::size_t i = holed.size() / 3; i < holed.size() / 2; ++i)
            holed[i] = static_cast<char>(i * 7919 >> 3);
        auto holedDecoder = openFileDecoder(makeFile(std::string("holed.") + kind, holed));
        ASSERT_TRUE(holedDecoder && holedDecoder->start(44100));
        EXPECT_GT(decodeAll(*holedDecoder).size() / 2, 44100u * (std::string(kind) == "ogg" ? 3 : 6) / 4);

        // Garbage under the name and an empty file are refused.
        std::string garbage(64 * 1024, '\0');
        for (std::size_t i = 0; i < garbage.size(); ++i)
            garbage[i] = static_cast<char>((i * 2654435761u) >> 13);
        EXPECT_FALSE(openFileDecoder(makeFile(std::string("garbage.") + kind, garbage)));
        EXPECT_FALSE(openFileDecoder(makeFile(std::string("empty.") + kind, "")));
    }
    // An ID3 header that claims more than the file holds.
    EXPECT_FALSE(openFileDecoder(makeFile("tag-only.mp3", std::string("ID3\x03\0\0\x7f\x7f\x7f\x7f", 10))));

    // Other kinds under these names, and MPEG under another name, play as what they are.
    const auto flacAsMp3 = openFileDecoder(makeFile("flac-named.mp3", bytesOf(makeAudio("three-seconds.flac", ""))));
    ASSERT_TRUE(flacAsMp3);
    EXPECT_EQ(flacAsMp3->facts().codec, "flac");
    const auto mp3AsOgg = openFileDecoder(makeFile("mp3-named.ogg", bytesOf(makeAudio("three-seconds.mp3", ""))));
    ASSERT_TRUE(mp3AsOgg);
    EXPECT_EQ(mp3AsOgg->facts().codec, "mp3");
    const auto flacInOgg = openFileDecoder(makeAudio("flac-in.oga", source(44100, 2, 1) + "-c:a flac"));
    ASSERT_TRUE(flacInOgg);
    EXPECT_EQ(flacInOgg->facts().codec, "flac");
}

TEST(NativeDecoders, FfmpegLoadsOnceForFilesOpenedOnSeveralThreadsAtOnce) {
    const std::string wma = makeAudio("threads.wma", source(44100, 2, 1) + "-c:a wmav2");
    ASSERT_FALSE(wma.empty());
    constexpr int kThreads = 4;
    std::vector<std::unique_ptr<Decoder>> opened(kThreads);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i)
        threads.emplace_back([&, i] { opened[i] = openFileDecoder(wma); });
    for (std::thread& t : threads)
        t.join();
    for (const auto& decoder : opened) {
        ASSERT_TRUE(decoder);
        EXPECT_EQ(decoder->facts().codec, "wmav2");
        ASSERT_TRUE(decoder->start(44100));
        EXPECT_NEAR(decodeAll(*decoder).size() / 2.0, 44100, 4096);
    }
}
