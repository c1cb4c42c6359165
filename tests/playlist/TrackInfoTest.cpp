#include "TrackInfo.h"
#include "FakeEngine.h"
#include "FitText.h"
#include "NamedPipe.h"
#include "TempTree.h"
#include "TrackInfoCache.h"
#include "WaitFor.h"

#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>
#include <utime.h>

TEST(TrackInfo, TitleFromTagsOrFileName) {
    using Tag = std::optional<std::string>;
    struct Case {
        Tag artist, title;
        const char* shown;
    } cases[] = {
        {"Band", "Song", "Band - Song"},
        {"Band", std::nullopt, "Band"},
        {std::nullopt, "Song", "Band - Song.remix"}, // a title alone is not shown
        {"-", "Song", "Band - Song.remix"},
        {" - ", "Song", "Band - Song.remix"},
        {" ", "Song", "Band - Song.remix"},
        {"", "Song", "Band - Song.remix"},
        {"Band", " ", "Band"},
        {"Band", "", "Band - "},
        {"Дует", "Пісня", "Дует - Пісня"},
    };
    TempTree tree;
    const QByteArray path = tree.write("Band - Song.remix.mp3");
    for (const Case& c : cases) {
        FakeEngine engine;
        engine.files[path.toStdString()] =
            FakeTrack{.artist = c.artist, .title = c.title, .lengthSeconds = 206};
        const TrackInfo info = ReadTrackInfo(engine, path);
        EXPECT_EQ(info.title, QString::fromUtf8(c.shown));
        EXPECT_EQ(info.duration, "03:26");
        EXPECT_EQ(engine.factReadCount(path.toStdString()), 1);
    }
}

TEST(TrackInfo, MissingOrUndecodableFilesShowTheFileNameAndNoDuration) {
    TempTree tree;
    FakeEngine engine;
    const QByteArray missing = tree.path("gone/Track 01.flac");
    EXPECT_EQ(TrackTitle(engine, missing), "Track 01");
    EXPECT_EQ(TrackDuration(engine, missing), "");
    EXPECT_TRUE(engine.calls.empty());

    const QByteArray garbage = tree.write("a.b/noise.mp3", "not audio"); // present, but Create gives 0
    EXPECT_EQ(TrackTitle(engine, garbage), "noise");
    EXPECT_EQ(TrackDuration(engine, garbage), "");

    // A named pipe is never opened, even by an engine that would read it:
    // opening it would wait for a writer.
    const NamedPipe pipe(tree.path("Pipe Song.mp3"));
    ASSERT_TRUE(pipe.made());
    engine.files[pipe.path().toStdString()] = FakeTrack{.artist = "Band", .lengthSeconds = 206};
    const TrackInfo piped = ReadTrackInfo(engine, pipe.path());
    EXPECT_EQ(piped.title, "Pipe Song");
    EXPECT_EQ(piped.duration, "");

    // '\' and ':' are ordinary characters; only '/' separates folders.
    for (auto [path, title] : {std::pair{"/x/a.b/track", "track"},
                               {"/x/C:\\Music\\Band.mp3", "C:\\Music\\Band"},
                               {"/x/y/.hidden", ""},
                               {"relative", "relative"}})
        EXPECT_EQ(FileNameTitle(path), QString::fromUtf8(title)) << path;
}

TEST(TrackInfo, DurationTexts) {
    const std::pair<std::int64_t, const char*> cases[] = {
        {0, "00:00"},       {59, "00:59"},       {206, "03:26"},        {3599, "59:59"}, {3600, "01:00:00"},
        {3725, "01:02:05"}, {36000, "10:00:00"}, {360000, "100:00:00"}, {-1, ""}, // the engine could not tell
    };
    for (auto [seconds, text] : cases)
        EXPECT_EQ(DurationText(seconds), text) << seconds;
}

TEST(FitText, CutsThreeCharactersAtATimeAndAddsDots) {
    // The measuring font must really be Tahoma, or every cut point is wrong.
    QFont tahoma("Tahoma");
    tahoma.setPixelSize(11);
    tahoma.setBold(true);
    (void)FitText("x", 1); // registers the font when fontconfig does not know it
    EXPECT_EQ(QFontInfo(tahoma).family(), "Tahoma");
    const QFontMetrics fm(tahoma);

    const QString title = "Some Band With A Long Name - A Song Title That Does Not Fit";
    ASSERT_GT(fm.horizontalAdvance(title), 200);
    const QString fitted = FitText(title, 200);
    ASSERT_TRUE(fitted.endsWith("..."));
    const QString kept = fitted.chopped(3);
    EXPECT_TRUE(title.startsWith(kept));
    EXPECT_EQ((title.size() - kept.size()) % 3, 0);
    EXPECT_LE(fm.horizontalAdvance(kept), 200);
    EXPECT_GT(fm.horizontalAdvance(title.left(kept.size() + 3)), 200); // no earlier stop would fit

    EXPECT_EQ(FitText("Short", 200), "Short");
    EXPECT_EQ(FitText("", 0), "");
    EXPECT_EQ(FitText("   \t ", 0), "   \t ");
    // Too wide even at 1..3 characters: cut down, but no dots.
    EXPECT_EQ(FitText("WWWWWWW", 1), "W");
    EXPECT_EQ(FitText("WWW", 1), "WWW");

    // A hostile tag of 300,000 characters gives the same cut a short one would.
    const QString huge = title + QString(300000, QChar('x'));
    const QString hugeFitted = FitText(huge, 200);
    ASSERT_TRUE(hugeFitted.endsWith("..."));
    EXPECT_EQ(hugeFitted, fitted);
}

namespace {
// What the cache shows once a read, or a look at the disk, changed it: the path is looked up as
// repaints of its row would, until then.
const TrackInfo& LookupWhenRead(TrackInfoCache& cache, const QByteArray& path) {
    bool ready = false;
    const QMetaObject::Connection c = QObject::connect(&cache, &TrackInfoCache::ready, [&] { ready = true; });
    EXPECT_TRUE(WaitFor([&] {
        cache.Lookup(path);
        return ready;
    })) << "no read of "
        << path.constData() << " came back";
    QObject::disconnect(c);
    return cache.Lookup(path);
}
} // namespace

TEST(TrackInfoCache, FileNameFirstThenOneReadPerFileUntilTheFileChanges) {
    TempTree tree;
    const QByteArray path = tree.write("song.mp3", "v1");
    const utimbuf old{1000000000, 1000000000};
    ::utime(path.constData(), &old);
    FakeEngine engine;
    engine.files[path.toStdString()] = FakeTrack{.artist = "Band", .title = "Song", .lengthSeconds = 61};
    TrackInfoCache cache(engine, 0); // check the disk at every lookup

    // Nothing is read for the paint itself: the file name shows until the reader is done.
    EXPECT_EQ(cache.Lookup(path).title, "song");
    EXPECT_EQ(cache.Lookup(path).duration, "");
    EXPECT_EQ(LookupWhenRead(cache, path).title, "Band - Song");
    EXPECT_EQ(cache.Lookup(path).duration, "01:01");
    EXPECT_EQ(cache.FittedTitle(path, 200), "Band - Song");
    EXPECT_EQ(engine.factReadCount(path.toStdString()), 1);

    // Retagged with the same size and the old modification time restored:
    // the old title shows until the new one is read.
    engine.files[path.toStdString()].title = "Other";
    tree.write("song.mp3", "v2");
    ::utime(path.constData(), &old);
    EXPECT_EQ(cache.FittedTitle(path, 200), "Band - Song");
    EXPECT_EQ(LookupWhenRead(cache, path).title, "Band - Other");
    EXPECT_EQ(cache.FittedTitle(path, 200), "Band - Other");
    EXPECT_EQ(engine.factReadCount(path.toStdString()), 2);

    // Removed: the file name and no duration, without a read.
    ::unlink(path.constData());
    EXPECT_EQ(LookupWhenRead(cache, path).title, "song");
    EXPECT_EQ(cache.Lookup(path).duration, "");
    EXPECT_EQ(engine.factReadCount(path.toStdString()), 2);
}

namespace {
// A disk that has not woken: reads of facts time out until it has been asked `sleepyReads` times.
struct SleepyEngine : FakeEngine {
    std::atomic<int> sleepyReads = 0;
    std::optional<StreamFacts> readFileFacts(const std::string& path) override {
        std::optional<StreamFacts> facts = FakeEngine::readFileFacts(path);
        return sleepyReads.fetch_sub(1) > 0 ? std::nullopt : facts;
    }
    std::atomic<bool> hang = false, hanging = false; // a read on a dead mount, until released
    std::optional<StreamFacts> readFileFacts(const std::string& path, FactsRead& why) override {
        for (hanging = hang.load(); hang;)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        hanging = false;
        const bool asleep = sleepyReads > 0;
        std::optional<StreamFacts> facts = readFileFacts(path);
        why = facts ? FactsRead::Read : asleep ? FactsRead::TimedOut : FactsRead::NotDecodable;
        return facts;
    }
};
} // namespace

TEST(TrackInfoCache, AReadThatTimedOutIsTriedAgainLaterAndLessOften) {
    TempTree tree;
    const QByteArray path = tree.write("song.mp3"), never = tree.write("never.mp3");
    SleepyEngine engine;
    engine.sleepyReads = 2;
    engine.files[path.toStdString()] = FakeTrack{.artist = "Band", .title = "Song", .lengthSeconds = 61};
    TrackInfoCache cache(engine, 0, 20);
    // As a list view does: each `ready` repaints the rows in view.
    QObject::connect(&cache, &TrackInfoCache::ready, [&] { cache.Lookup(path); });
    EXPECT_EQ(cache.Lookup(path).title, "song");
    EXPECT_TRUE(WaitFor([&] { return cache.Known(path)->duration == "01:01"; }));
    EXPECT_EQ(cache.Known(path)->title, "Band - Song");

    // A file that never answers is asked again at waits that double, not in a loop.
    engine.sleepyReads = 1'000'000;
    QObject::connect(&cache, &TrackInfoCache::ready, [&] { cache.Lookup(never); });
    cache.Lookup(never);
    WaitFor([] { return false; }, 500);
    EXPECT_EQ(cache.Known(never)->title, "never");
    EXPECT_LE(engine.factReadCount(never.toStdString()), 6);
    EXPECT_GE(engine.factReadCount(never.toStdString()), 2);

    // A closing player does not wait for a read that hangs: it is left to end on its own, through
    // an engine that outlives it as the player's does.
    auto& hung = *new SleepyEngine;
    hung.hang = true;
    auto closing = std::make_unique<TrackInfoCache>(hung, 0, 20);
    closing->Lookup(tree.write("hung.mp3"));
    ASSERT_TRUE(WaitFor([&] { return hung.hanging.load(); }));
    closing.reset();
    hung.hang = false;
}

TEST(TrackInfoCache, ChecksTheDiskAtMostOncePerInterval) {
    TempTree tree;
    const QByteArray path = tree.write("song.mp3", "v1");
    FakeEngine engine;
    engine.files[path.toStdString()] = FakeTrack{.artist = "Band", .lengthSeconds = 61};
    TrackInfoCache cache(engine, 3600 * 1000);
    EXPECT_EQ(LookupWhenRead(cache, path).duration, "01:01");
    tree.write("song.mp3", "changed");
    // The reader thread is idle again: the table may change.
    engine.files[path.toStdString()].lengthSeconds = 62;
    EXPECT_EQ(cache.Lookup(path).duration, "01:01"); // within the interval
    EXPECT_EQ(engine.factReadCount(path.toStdString()), 1);
    cache.clear();
    EXPECT_EQ(LookupWhenRead(cache, path).duration, "01:02");
}
