// Files a hostile folder may hold under audio names: the engine refuses them
// at once instead of waiting on them.
#include "AudioFixtures.h"
#include "FileDecoders.h"
#include "NamedPipe.h"
#include "VexoEngine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <unistd.h>
#include <vector>

TEST(EngineHostileFiles, PipesAndDevicesAreRefusedWithoutWaiting) {
    setenv("VEXO_AUDIO", "null", 1);
    VexoEngine engine;
    engine.loadPlugin(VEXO_TONE_PLUGIN); // a plug-in opens by name, before FFmpeg
    const std::string folder = fixtureFolder();
    const NamedPipe mp3(QByteArray::fromStdString(folder + "/pipe.mp3"));
    const NamedPipe tone(QByteArray::fromStdString(folder + "/pipe.tone"));
    ASSERT_TRUE(mp3.made() && tone.made());
    const std::string link = folder + "/pipe-link.wav";
    ::unlink(link.c_str());
    ASSERT_EQ(::symlink(mp3.path().constData(), link.c_str()), 0);

    for (const NamedPipe* pipe : {&mp3, &tone}) {
        StreamHandle h = 1;
        EXPECT_TRUE(pipe->returnsWithoutWaiting([&] { h = engine.Create(pipe->path().toStdString()); }))
            << pipe->path().constData();
        EXPECT_EQ(h, 0u);
    }
    StreamHandle h = 1;
    EXPECT_TRUE(mp3.returnsWithoutWaiting([&] { h = engine.Create(link); }));
    EXPECT_EQ(h, 0u);
    ::unlink(link.c_str());
    // A device that never ends.
    EXPECT_EQ(engine.Create("/dev/zero"), 0u);
    // A regular file beside them still opens.
    EXPECT_NE(engine.Create(makeAudio("beside-pipe.wav", "-f lavfi -i sine=d=0.2 -c:a pcm_s16le")), 0u);
}

TEST(EngineHostileFiles, ADecoderSearchingAZeroTailGivesUpAtItsDeadline) {
    for (const char* name : {"zero-tail.mp3", "zero-tail.flac"}) {
        SCOPED_TRACE(name);
        const std::string path = makeAudio(name, "-f lavfi -i sine=d=0.5 -ac 2");
        ASSERT_FALSE(path.empty());
        // Gigabytes of nothing after the audio, without taking the disk's room.
        ASSERT_EQ(::truncate(path.c_str(), off_t{8} << 30), 0);
        auto decoder = openFileDecoder(path);
        ASSERT_TRUE(decoder && decoder->start(44100));
        decoder->limitReadsTo(Decoder::Deadline::clock::now() + std::chrono::milliseconds(200));
        std::vector<float> piece(2 * 44100);
        while (decoder->read(piece.data(), 44100) > 0) {
        }
        EXPECT_TRUE(decoder->timedOut());
        EXPECT_TRUE(decoder->failed());
        ::truncate(path.c_str(), 0);
    }
}

TEST(EngineHostileFiles, AWavPlaysWhatItsHeaderDescribesWhateverFollows) {
    for (const off_t size : {off_t{100} << 20, off_t{10} << 30}) {
        const std::string path =
            makeAudio("tail" + std::to_string(size) + ".wav", "-f lavfi -i sine=f=1000:d=1 -ac 2 -ar 44100");
        ASSERT_FALSE(path.empty());
        // A tail of zeros, without taking the disk's room.
        ASSERT_EQ(::truncate(path.c_str(), size), 0);
        const Pcm pcm = playAndRecord(path);
        const auto [begin, end] = soundingSpan(pcm);
        EXPECT_NEAR(end - begin, 44100, 50) << size;
        ::truncate(path.c_str(), 0);
    }
}
