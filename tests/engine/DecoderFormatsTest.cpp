// Every listed extension that ffmpeg can encode here opens, reports its facts
// and decodes to the expected tone at the output rate.
#include "AudioFixtures.h"
#include "FileDecoders.h"
#include "VexoEngine.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr int kOutputRate = 44100;
constexpr double kToneHz = 1000.0;
// 1.5 s so that whole-second times are 1 whatever a codec pads.
const std::string kTone = "0.5*sin(2*PI*1000*t)";

struct Format {
    const char* file;
    const char* encode; // ffmpeg arguments after the tone source
    int rate;
    int channels;
    const char* codec;
    bool lossless;
};

const Format kFormats[] = {
    {"tone.mp3", "-c:a libmp3lame -b:a 128k", 44100, 2, "mp3", false},
    {"tone.wav", "-c:a pcm_s16le", 44100, 2, "pcm_s16le", true},
    {"tone.wma", "-c:a wmav2 -b:a 128k", 44100, 2, "wmav2", false},
    {"tone.ogg", "-c:a libvorbis -b:a 128k", 44100, 2, "vorbis", false},
    {"tone.oga", "-c:a flac", 48000, 1, "flac", true},
    {"tone.mp2", "-c:a mp2 -b:a 192k", 48000, 2, "mp2", false},
    {"tone.mp4", "-c:a aac -b:a 128k", 44100, 2, "aac", false},
    {"tone.aif", "-c:a pcm_s16be", 22050, 1, "pcm_s16be", true},
    {"tone.wv", "-c:a wavpack", 44100, 2, "wavpack", true},
    {"tone.tta", "-c:a tta", 44100, 2, "tta", true},
    {"tone.spx", "-c:a libspeex", 16000, 1, "speex", false},
    {"tone.flac", "-c:a flac -sample_fmt s32", 96000, 2, "flac", true},
    {"tone.m4a", "-c:a aac -b:a 96k", 32000, 2, "aac", false},
    {"tone.ac3", "-c:a ac3", 48000, 6, "ac3", false},
    {"tone.aac", "-c:a aac -f adts", 44100, 2, "aac", false},
    // Sample formats the decoders hand out differently.
    {"tone-u8.wav", "-c:a pcm_u8", 8000, 1, "pcm_u8", true},
    {"tone-f32.wav", "-c:a pcm_f32le", 44100, 2, "pcm_f32le", true},
    {"tone-s24.wav", "-c:a pcm_s24le", 48000, 2, "pcm_s24le", true},
};

Pcm decodeAll(Decoder& decoder, int rate = kOutputRate) {
    Pcm pcm{rate, 2, {}};
    std::vector<float> piece(2 * 4096);
    for (int n; (n = decoder.read(piece.data(), 4096)) > 0;)
        pcm.samples.insert(pcm.samples.end(), piece.begin(), piece.begin() + 2 * n);
    return pcm;
}

// Where `piece`'s 2048 frames from `from` best match `all` (left channel), as an offset from `at`
// within ±4096.
int bestOffset(const Pcm& piece, int from, const Pcm& all, int at) {
    int bestOffset = 0;
    double best = -1;
    for (int offset = -4096; offset <= 4096; ++offset) {
        if (at + offset < 0 || at + offset + 2048 > all.frames()) continue;
        double dot = 0;
        for (int i = 0; i < 2048; ++i)
            dot += piece.at(from + i, 0) * all.at(at + offset + i, 0);
        if (dot > best) best = dot, bestOffset = offset;
    }
    return bestOffset;
}

} // namespace

TEST(DecoderFormats, EveryEncodableExtensionOpensAndDecodesTheTone) {
    for (const Format& f : kFormats) {
        SCOPED_TRACE(f.file);
        const std::string path = makeAudio(f.file, toneInput(kTone, f.rate, 1.5, f.channels) + f.encode);
        ASSERT_FALSE(path.empty()) << "ffmpeg could not make " << f.file;

        VexoEngine engine;
        const StreamHandle h = engine.Create(path);
        ASSERT_NE(h, 0u);
        const auto info = engine.streamInfo(h);
        ASSERT_TRUE(info);
        EXPECT_EQ(info->sampleRate, f.rate);
        EXPECT_EQ(info->channels, f.channels);
        EXPECT_EQ(info->codec, f.codec);
        EXPECT_EQ(engine.GetAllTime(h), 1);
        const std::int64_t bytesPerSecond = std::int64_t{2} * f.channels * f.rate;
        if (f.lossless)
            EXPECT_EQ(engine.GetLength(h), bytesPerSecond * 3 / 2);
        else
            EXPECT_NEAR(static_cast<double>(engine.GetLength(h)) / bytesPerSecond, 1.5, 0.1);
        EXPECT_EQ(engine.GetLength(h) % (2 * f.channels), 0);

        auto decoder = openFileDecoder(path);
        ASSERT_TRUE(decoder && decoder->start(kOutputRate));
        const Pcm pcm = decodeAll(*decoder);
        EXPECT_NEAR(pcm.frames() / double(kOutputRate), 1.5, f.lossless ? 0.002 : 0.1);
        const int middle = kOutputRate / 2, window = kOutputRate / 4;
        for (int channel = 0; channel < 2; ++channel) {
            const double tone = toneAmplitude(pcm, channel, kToneHz, middle, window);
            const double octaveUp = toneAmplitude(pcm, channel, 2 * kToneHz, middle, window);
            // Mono plays at full level on both sides; 5.1 is folded down, quieter.
            if (f.channels <= 2 && f.lossless)
                EXPECT_NEAR(tone, 0.5, 0.01);
            else if (f.channels <= 2)
                EXPECT_NEAR(20 * std::log10(tone / 0.5), 0.0, 1.5);
            else
                EXPECT_GT(tone, 0.1);
            EXPECT_LT(octaveUp, tone / 30) << "the tone is at the wrong pitch after resampling";
        }
    }
}

TEST(DecoderFormats, SeeksLandOnTheSampleAskedFor) {
    // Noise, so that a decoded piece matches one place of the whole only.
    const char* const files[][2] = {
        {"noise.wav", "-c:a pcm_s16le"}, {"noise.flac", "-c:a flac"},
        {"noise.wv", "-c:a wavpack"},    {"noise.mp3", "-c:a libmp3lame -b:a 192k"},
        {"noise.ogg", "-c:a libvorbis"}, {"noise.m4a", "-c:a aac"},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file[0]);
        const std::string path = makeAudio(
            file[0], std::string("-f lavfi -i anoisesrc=r=44100:a=0.3:d=3:seed=7 -ac 2 ") + file[1]);
        ASSERT_FALSE(path.empty());
        auto whole = openFileDecoder(path);
        ASSERT_TRUE(whole && whole->start(kOutputRate));
        const Pcm all = decodeAll(*whole);

        for (const int target : {0, 33075, 88200}) {
            auto decoder = openFileDecoder(path);
            ASSERT_TRUE(decoder && decoder->start(kOutputRate));
            float scratch[2 * 1000];
            decoder->read(scratch, 1000); // seeking from somewhere else than the start
            ASSERT_TRUE(decoder->seek(target));
            Pcm piece = decodeAll(*decoder);
            ASSERT_GT(piece.frames(), 4096);
            EXPECT_EQ(bestOffset(piece, 0, all, target), 0) << "target " << target;
        }
    }
}

TEST(DecoderFormats, PiecesCutAnywhereDecodeToExactlyTheirStretchOfTheWhole) {
    // Noise at Opus's own rate, cut where no codec's frame size divides, each piece encoded alone:
    // an encoder's delay or padding left in, or a frame lost at either end, shifts or stretches it.
    const std::string source =
        makeAudio("gapless-source.wav", "-f lavfi -i anoisesrc=r=48000:a=0.3:d=3:seed=11 "
                                        "-ac 2 -c:a pcm_s16le");
    const Pcm truth = readWav(source);
    const int cuts[] = {0, 47917, 100308, truth.frames()};
    const char* const formats[][2] = {
        {"mp3", "-c:a libmp3lame -b:a 192k"}, {"m4a", "-c:a aac -b:a 192k"}, {"ogg", "-c:a libvorbis -q:a 6"},
        {"opus", "-c:a libopus -b:a 192k"},   {"flac", "-c:a flac"},         {"wav", "-c:a pcm_s16le"},
    };
    for (const auto& [extension, encode] : formats) {
        for (int i = 0; i < 4; ++i) {
            // The fourth piece is the whole file.
            const int first = i < 3 ? cuts[i] : 0, end = cuts[i < 3 ? i + 1 : 3];
            const std::string name = "gapless" + std::to_string(i) + "." + extension;
            SCOPED_TRACE(name);
            const std::string path =
                makeAudio(name, "-i " + source + " -af atrim=start_sample=" + std::to_string(first) +
                                    ":end_sample=" + std::to_string(end) + ",asetpts=PTS-STARTPTS " + encode);
            auto decoder = openFileDecoder(path);
            ASSERT_TRUE(decoder && decoder->start(48000));
            EXPECT_EQ(decoder->facts().lengthFrames, end - first);
            const Pcm piece = decodeAll(*decoder, 48000);
            EXPECT_EQ(piece.frames(), end - first);
            ASSERT_GT(piece.frames(), 4096);
            EXPECT_EQ(bestOffset(piece, 0, truth, first), 0) << "the start is shifted";
            EXPECT_EQ(bestOffset(piece, piece.frames() - 2048, truth, end - 2048), 0) << "the end is shifted";
        }
    }
    // iTunes gives the encoder's delay and the length in a tag rather than an edit list.
    const std::string plain = makeAudio("no-edits.m4a", "-i " + source + " -c:a aac -use_editlist 0");
    auto itunes = openFileDecoder(withItunesGaplessInfo(plain, 1024, truth.frames()));
    ASSERT_TRUE(itunes && itunes->start(48000));
    const Pcm whole = decodeAll(*itunes, 48000);
    EXPECT_EQ(whole.frames(), truth.frames());
    EXPECT_EQ(bestOffset(whole, 0, truth, 0), 0);
}

TEST(DecoderFormats, ResamplingKeepsLengthAndPitchAtOtherOutputRates) {
    // FFmpeg's resampler and libsoxr; a length no rate divides evenly comes out rounded, not a frame
    // short or long.
    for (const char* name : {"odd.wav", "odd.flac"}) {
        const std::string path = makeAudio(name, toneInput(kTone, 44100, 1.5) + "-af atrim=end_sample=66071");
        for (const int outputRate : {48000, 22050, 96000, 8000}) {
            auto decoder = openFileDecoder(path);
            ASSERT_TRUE(decoder && decoder->start(outputRate));
            Pcm pcm = decodeAll(*decoder);
            pcm.rate = outputRate;
            EXPECT_EQ(pcm.frames(), (66071LL * outputRate + 22050) / 44100) << name << " at " << outputRate;
            EXPECT_NEAR(toneAmplitude(pcm, 0, kToneHz, outputRate / 2, outputRate / 4), 0.5, 0.01)
                << outputRate;
        }
    }
}

TEST(DecoderFormats, MpegLayerOneWrittenByHandPlays) {
    // No MPEG-1 Layer I encoder ships here, so the file is built by hand:
    // silent mono frames at 44.1 kHz and 32 kbps. A Layer I frame is
    // (12 * bitrate / rate) * 4 = 32 bytes: the header, then 32 four-bit
    // allocations of zero (no samples), then padding; it decodes to 384 samples.
    const std::string header("\xFF\xFF\x10\xC0", 4);
    std::string bytes;
    constexpr int kFrames = 200;
    for (int i = 0; i < kFrames; ++i)
        bytes += header + std::string(28, '\0');
    const std::string path = makeFile("silence.mp1", bytes);

    VexoEngine engine;
    const StreamHandle h = engine.Create(path);
    ASSERT_NE(h, 0u);
    const auto info = engine.streamInfo(h);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->codec, "mp1");
    EXPECT_EQ(info->sampleRate, 44100);
    EXPECT_EQ(info->channels, 1);
    EXPECT_EQ(engine.GetAllTime(h), 1); // 200 * 384 / 44100 = 1.74 s

    auto decoder = openFileDecoder(path);
    ASSERT_TRUE(decoder && decoder->start(kOutputRate));
    const Pcm pcm = decodeAll(*decoder);
    EXPECT_NEAR(pcm.frames(), kFrames * 384, 384);
    EXPECT_EQ(soundingSpan(pcm).second, 0) << "silent frames decoded to sound";
}
