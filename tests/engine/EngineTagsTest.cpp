// Tags, bit rate and sample rate as the playlist and the information window read them.
#include "AudioFixtures.h"
#include "VexoEngine.h"

#include <gtest/gtest.h>

namespace {

const std::string kTags =
    "-metadata title=\"Заголовок Title\" -metadata artist=Artist -metadata album=Album "
    "-metadata track=7 -metadata genre=Genre -metadata date=1999 -metadata comment=Note ";

std::string source(int rate) {
    return "-f lavfi -i sine=frequency=440:sample_rate=" + std::to_string(rate) + ":duration=1 -ac 2 ";
}

} // namespace

TEST(EngineTags, AllSevenTagsComeBackAsUtf8Text) {
    const char* const files[][2] = {
        {"tags.mp3", "-c:a libmp3lame -id3v2_version 3"},
        {"tags.flac", "-c:a flac"},
        {"tags.ogg", "-c:a libvorbis"},
        {"tags.m4a", "-c:a aac"},
        {"tags.wma", "-c:a wmav2"},
        {"tags.wv", "-c:a wavpack"},
    };
    VexoEngine engine;
    for (const auto& file : files) {
        SCOPED_TRACE(file[0]);
        const std::string path = makeAudio(file[0], source(44100) + kTags + file[1]);
        const StreamHandle h = engine.Create(path);
        ASSERT_NE(h, 0u);
        EXPECT_EQ(engine.TagTitle(h), "Заголовок Title");
        EXPECT_EQ(engine.TagArtist(h), "Artist");
        EXPECT_EQ(engine.TagAlbum(h), "Album");
        EXPECT_EQ(engine.TagTrack(h).value_or("").substr(0, 1), "7");
        EXPECT_EQ(engine.TagGenre(h), "Genre");
        EXPECT_EQ(engine.TagYear(h).value_or("").substr(0, 4), "1999");
        EXPECT_EQ(engine.TagComment(h), "Note");
        engine.ChannelFree(h);
    }
    // Missing tags are missing, not empty texts.
    const StreamHandle bare =
        engine.Create(makeAudio("bare.mp3", source(44100) + "-c:a libmp3lame -map_metadata -1"));
    ASSERT_NE(bare, 0u);
    EXPECT_FALSE(engine.TagTitle(bare));
    EXPECT_FALSE(engine.TagArtist(bare));
    EXPECT_FALSE(engine.TagYear(bare));
}

TEST(EngineTags, BitRateInKbpsAndTheFilesOwnSampleRate) {
    struct Case {
        const char* file;
        const char* encode;
        int rate;
        std::uint32_t kbps;
    };
    VexoEngine engine;
    for (const Case& c :
         {Case{"cbr128.mp3", "-c:a libmp3lame -b:a 128k", 44100, 128},
          Case{"cbr320.mp3", "-c:a libmp3lame -b:a 320k", 48000, 320},
          Case{"cbr64.mp2", "-c:a mp2 -b:a 64k -ac 1", 22050, 64},
          Case{"pcm.wav", "-c:a pcm_s16le", 44100, 1411}, Case{"pcm.aif", "-c:a pcm_s16be", 8000, 256}}) {
        SCOPED_TRACE(c.file);
        const StreamHandle h = engine.Create(makeAudio(c.file, source(c.rate) + c.encode));
        ASSERT_NE(h, 0u);
        EXPECT_EQ(engine.GetBitrate(h), c.kbps);
        EXPECT_EQ(engine.streamInfo(h)->sampleRate, c.rate);
    }
}
