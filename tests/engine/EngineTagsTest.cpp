// Tags, bit rate and sample rate as the playlist and the information window read them.
#include "AudioFixtures.h"
#include "VexoEngine.h"

#include <QByteArray>
#include <QFile>
#include <QtEndian>

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
    EXPECT_FALSE(engine.TagPicture(bare));
}

TEST(EngineTags, TheEmbeddedCoverComesBackAsItsImageFile) {
    const std::string png = makeAudio("cover.png", "-f lavfi -i color=c=red:s=16x16 -frames:v 1");
    QFile file(QString::fromStdString(png));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray image = file.readAll();
    // Ogg files carry it as a FLAC picture block in a base64 comment, which FFmpeg cannot write.
    QByteArray block;
    const auto put = [&block](quint32 value) {
        char bytes[4];
        qToBigEndian(value, bytes);
        block.append(bytes, 4);
    };
    put(3); // the front cover
    put(9);
    block.append("image/png");
    for (const quint32 field : {0, 16, 16, 24, 0}) // no description; width, height, depth, no palette
        put(field);
    put(static_cast<quint32>(image.size()));
    block.append(image);
    const std::string picture = "-i " + png + " -map 0 -map 1 -c:v copy -disposition:v attached_pic ";
    const std::string comment = "-metadata METADATA_BLOCK_PICTURE=" + block.toBase64().toStdString() + " ";
    struct Case {
        const char* file;
        const char* encode;
        bool inComment;
    };
    VexoEngine engine;
    for (const Case& c : {Case{"cover.mp3", "-c:a libmp3lame", false}, Case{"cover.flac", "-c:a flac", false},
                          Case{"cover.m4a", "-c:a aac", false}, Case{"cover.ogg", "-c:a libvorbis", true},
                          Case{"cover.opus", "-c:a libopus", true}}) {
        SCOPED_TRACE(c.file);
        const StreamHandle h =
            engine.Create(makeAudio(c.file, source(48000) + (c.inComment ? comment : picture) + c.encode));
        ASSERT_NE(h, 0u);
        const CoverArt cover = engine.TagPicture(h).value_or(CoverArt{});
        EXPECT_EQ(cover.mimeType, "image/png");
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(cover.bytes.data()), cover.bytes.size()), image);
        engine.ChannelFree(h);
    }
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
