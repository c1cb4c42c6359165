#include "PlaybackRig.h"
#include "TickerText.h"
#include "WaitFor.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>

using Calls = std::vector<std::string>;

namespace {
// Every title line the controller announced, with its start offset.
struct TickerLog {
    std::vector<std::pair<QString, int>> lines;
    explicit TickerLog(PlaybackController& controller) {
        QObject::connect(&controller, &PlaybackController::tickerTextChanged,
                         [this](const QString& text, int offset) { lines.emplace_back(text, offset); });
    }
};
} // namespace

TEST(PlaybackController, PlayTrackTalksToTheEngineInOrder) {
    PlaybackRig rig;
    rig.addTrack("a.mp3");
    const std::string second = rig.addTrack("b.mp3");
    rig.playback.setBalance(0.5f, 75);
    rig.playback.equalizer.switchEq(true); // on, as the settings would leave it before any stream
    rig.controller.PlayTrack(0);
    rig.engine.clearCalls();

    rig.controller.PlayTrack(1);
    const std::string h = std::to_string(rig.controller.Channel());
    Calls expected = {"Stop 1", "ChannelFree 1", "Create " + second, "SetVolume " + h + " 100",
                      "setPan " + h + " 0.500000"};
    for (int k = 0; k < 11; ++k)
        expected.push_back("addEffect " + h + " 1");
    expected.insert(expected.end(), {"Play " + h, "notifyAtEnd " + h});
    EXPECT_EQ(rig.engine.calls, expected);

    EXPECT_EQ(rig.controller.CurrentTrack(), 1);
    EXPECT_EQ(rig.controller.RepeatIndex(), 1);
    EXPECT_EQ(rig.controller.CurrentFile(), QByteArray::fromStdString(second));
    EXPECT_TRUE(rig.controller.positionTimerActive());
    EXPECT_FALSE(rig.playlist.isSelected(0));
    EXPECT_TRUE(rig.playlist.isSelected(1));
    EXPECT_TRUE(rig.engine.streams.at(rig.controller.Channel()).playing);
}

TEST(PlaybackController, EqualizerOffRemovesInsteadOfAttaching) {
    PlaybackRig rig;
    rig.addTrack("a.mp3");
    rig.controller.PlayTrack(0);
    const Calls& calls = rig.engine.calls;
    EXPECT_EQ(
        std::count_if(calls.begin(), calls.end(), [](auto& c) { return c.starts_with("removeEffect 1"); }),
        11);
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(), [](auto& c) { return c.starts_with("addEffect"); }),
              0);
    EXPECT_TRUE(rig.engine.effects.empty());
}

TEST(PlaybackController, BytesPerPixelUses64BitsAndAFloorOf20Ms) {
    struct Case {
        std::int64_t seconds;
        std::int64_t bytesPerPixel;
    } cases[] = {
        {5 * 3600, 5LL * 3600 * 44100 * 4 / 302}, // 3.2 GB of PCM: past a 32-bit count
        {100, 100LL * 44100 * 4 / 302},
        {2, 3528}, // 20 ms of 16-bit stereo at 44.1 kHz
    };
    for (const Case& c : cases) {
        PlaybackRig rig;
        rig.addTrack("a.mp3", FakeTrack{.lengthSeconds = c.seconds});
        rig.controller.PlayTrack(0);
        EXPECT_EQ(rig.playback.state.BytesPerPixel, c.bytesPerPixel) << c.seconds;
    }
}

TEST(PlaybackController, TrackEndFollowsThePlayMode) {
    struct Case {
        int mode, rows, playing, next;
    } cases[] = {
        {0, 3, 2, 0}, // the list wraps
        {0, 3, 0, 1},
        {1, 3, 1, 1},
        {1, 1, 0, 0},
    };
    for (const Case& c : cases) {
        PlaybackRig rig;
        rig.addTracks(c.rows);
        rig.controller.setPlayMode(c.mode);
        rig.controller.PlayTrack(c.playing);
        const StreamHandle before = rig.controller.Channel();
        rig.finish();
        EXPECT_EQ(rig.playingRow(), c.next) << "mode " << c.mode << " from " << c.playing;
        EXPECT_NE(rig.controller.Channel(), before) << "a new stream from its beginning";
    }
}

TEST(PlaybackController, TheNextTrackFollowsWithoutAGapAndAnEditBeforeItsTurnDropsIt) {
    PlaybackRig rig;
    for (int i = 0; i < 3; ++i)
        rig.addTrack(QStringLiteral("t%1.mp3").arg(i), FakeTrack{.lengthSeconds = 10});
    rig.controller.PlayTrack(0);
    const StreamHandle follower = rig.controller.Follower();
    ASSERT_NE(follower, 0u) << "a track near its end has the next one opened behind it";
    EXPECT_EQ(rig.engine.streams.at(follower).path, rig.path("t1.mp3"));

    // The first track runs out and the follower sounds on: the displays move to it once it is
    // heard, and it is not started afresh.
    rig.engine.finishTrack(rig.controller.Channel());
    rig.settle();
    EXPECT_EQ(rig.controller.CurrentTrack(), 0) << "the follower is not heard yet";
    EXPECT_TRUE(std::any_of(rig.engine.streams.begin(), rig.engine.streams.end(), [&](const auto& s) {
        return s.second.follows == follower;
    })) << "the track after it is opened at once, in case it is shorter than the wait";
    rig.engine.position = 1;
    ASSERT_TRUE(WaitFor([&] { return rig.controller.Channel() == follower; }, 2000));
    EXPECT_EQ(rig.controller.CurrentTrack(), 1);
    EXPECT_EQ(rig.engine.createCount(rig.path("t1.mp3")), 1);

    // Its own follower goes when the list changes before its turn, and nothing plays it.
    const StreamHandle next = rig.controller.Follower();
    ASSERT_NE(next, 0u);
    rig.addTrack("t3.mp3");
    EXPECT_EQ(rig.engine.streams.count(next), 0u);
    EXPECT_EQ(rig.controller.Follower(), 0u);
}

TEST(PlaybackController, RandomModeReachesEveryRowFromEveryAction) {
    PlaybackRig rig;
    rig.addTracks(3);
    rig.controller.setPlayMode(PlaybackController::Random);
    std::set<int> afterEnd, afterNext, afterBack;
    rig.controller.PlayTrack(0);
    for (int i = 0; i < 200; ++i) {
        rig.finish();
        afterEnd.insert(rig.playingRow());
        rig.controller.next();
        afterNext.insert(rig.playingRow());
        rig.controller.back();
        afterBack.insert(rig.playingRow());
    }
    const std::set<int> all = {0, 1, 2};
    EXPECT_EQ(afterEnd, all);
    EXPECT_EQ(afterNext, all);
    EXPECT_EQ(afterBack, all);
}

TEST(PlaybackController, BackAndNextMoveTheCursorAndWrap) {
    struct Case {
        int mode, start;
        bool back;
        int expected;
    } cases[] = {
        {0, 0, true, 3},  {0, 2, true, 1}, {0, 3, false, 0},
        {0, 1, false, 2}, {1, 2, true, 2}, {1, 2, false, 2}, // one-track mode restarts the current row
    };
    for (const Case& c : cases) {
        PlaybackRig rig;
        rig.addTracks(4);
        rig.controller.setPlayMode(c.mode);
        rig.controller.PlayTrack(c.start);
        rig.controller.setNavIndex(c.start);
        c.back ? rig.controller.back() : rig.controller.next();
        EXPECT_EQ(rig.playingRow(), c.expected)
            << c.mode << (c.back ? " back from " : " next from ") << c.start;
        EXPECT_EQ(rig.controller.NavIndex(), c.expected);
        EXPECT_EQ(rig.playlist.selectedIndex(), -1) << "the played row is not left selected";
    }
}

TEST(PlaybackController, PlayStartsTheSelectedRowOrTheFirst) {
    PlaybackRig rig;
    rig.addTracks(3);
    rig.controller.play();
    EXPECT_EQ(rig.playingRow(), 0);
    rig.playlist.setSelected(0, false);
    rig.playlist.setSelected(2, true);
    rig.controller.play();
    EXPECT_EQ(rig.playingRow(), 2);
    EXPECT_EQ(rig.controller.NavIndex(), 2);
    EXPECT_EQ(rig.controller.LastIndex(), 2);
    EXPECT_EQ(rig.engine.createCount(rig.path("t2.mp3")), 1);
}

TEST(PlaybackController, PlayFromListStartsTheLowestSelectedRowOrNothing) {
    PlaybackRig rig;
    rig.addTracks(4);
    rig.controller.playFromList();
    EXPECT_EQ(rig.controller.NavIndex(), -1) << "no selection: the cursor says so and nothing starts";
    EXPECT_EQ(rig.playingRow(), -1);
    rig.playlist.setSelected(3, true);
    rig.playlist.setSelected(1, true);
    rig.controller.playFromList();
    EXPECT_EQ(rig.playingRow(), 1);
    EXPECT_EQ(rig.controller.NavIndex(), 1);
    EXPECT_FALSE(rig.playlist.isSelected(3)) << "a started row is the only selected one";
}

TEST(PlaybackController, PlayAfterPauseResumesUnlessAnotherRowWasSelected) {
    PlaybackRig rig;
    rig.addTracks(3);
    rig.controller.PlayTrack(0);
    rig.controller.next(); // leaves no row selected
    const StreamHandle paused = rig.controller.Channel();
    rig.controller.pause();
    rig.controller.play();
    EXPECT_EQ(rig.controller.Channel(), paused);
    EXPECT_TRUE(rig.engine.streams.at(paused).playing);
    rig.controller.pause();
    rig.playlist.setSelected(2, true);
    rig.controller.play();
    EXPECT_EQ(rig.playingRow(), 2);
}

TEST(PlaybackController, PauseOnlyTellsTheEngine) {
    PlaybackRig rig;
    rig.addTracks(1);
    rig.controller.PlayTrack(0);
    rig.engine.clearCalls();
    rig.controller.pause();
    rig.controller.pause();
    EXPECT_EQ(rig.engine.calls, (Calls{"Pause 1", "Pause 1"}));
    EXPECT_TRUE(rig.controller.positionTimerActive());
    EXPECT_EQ(rig.controller.CurrentTrack(), 0);
}

TEST(PlaybackController, StopClearsThePlayingStateButKeepsTheCursor) {
    PlaybackRig rig;
    rig.addTracks(3);
    TickerLog ticker(rig.controller);
    rig.controller.PlayTrack(1);
    rig.controller.setNavIndex(1);
    rig.controller.stop();
    EXPECT_EQ(rig.controller.Channel(), 0u);
    EXPECT_EQ(rig.controller.CurrentTrack(), -1);
    EXPECT_TRUE(rig.controller.CurrentFile().isEmpty());
    EXPECT_FALSE(rig.controller.positionTimerActive());
    ASSERT_EQ(ticker.lines.size(), 2u);
    EXPECT_EQ(ticker.lines[1], std::make_pair(QString(), 0));
    EXPECT_TRUE(rig.engine.streams.empty());

    rig.controller.next();
    EXPECT_EQ(rig.playingRow(), 2) << "the cursor survives Stop";
}

TEST(PlaybackController, MissingFilesAreRemovedAndTheNextRowPlays) {
    PlaybackRig rig;
    rig.addTrack("t0.mp3");
    rig.addTrack("t1.mp3");
    rig.addMissing("t2.mp3");
    const std::string third = rig.addTrack("t3.mp3");
    rig.controller.PlayTrack(1);
    rig.finish();
    EXPECT_EQ(rig.playlist.count(), 3);
    EXPECT_EQ(rig.playingPath(), third);
    EXPECT_EQ(rig.controller.CurrentTrack(), 2);
    EXPECT_EQ(rig.engine.createCount(rig.path("t2.mp3")), 0) << "a missing file is never opened";
}

TEST(PlaybackController, TheTrackAfterTheOneThatPlaysFollowsItThroughDeletions) {
    PlaybackRig rig;
    rig.addTracks(5);
    rig.controller.PlayTrack(2);
    rig.playlist.deleteRow(0);
    EXPECT_EQ(rig.controller.CurrentTrack(), 1);
    rig.playlist.deleteRow(1); // the playing row: nothing is marked, t3 stands where it stood
    EXPECT_EQ(rig.controller.CurrentTrack(), -1);
    rig.finish();
    EXPECT_EQ(rig.playingPath(), rig.path("t3.mp3"));
}

TEST(PlaybackController, RowsThatNameNoFileAreDroppedOneAfterAnother) {
    PlaybackRig rig;
    rig.addTrack("t0.mp3");
    rig.playlist.append({}, {}, "http://radio.example/stream.mp3");
    rig.addMissing("gone.mp3");
    rig.playlist.append({}, {}, QByteArray::fromStdString(rig.dir.path().toStdString())); // a folder
    const std::string last = rig.addTrack("t4.mp3");
    rig.controller.PlayTrack(0);
    rig.finish();
    EXPECT_EQ(rig.playlist.count(), 2);
    EXPECT_EQ(rig.playingPath(), last);
}

TEST(PlaybackController, AListOfMissingFilesEmptiesItselfAndStops) {
    for (int mode : {0, 1, 2}) {
        PlaybackRig rig;
        for (int i = 0; i < 20; ++i)
            rig.addMissing(QStringLiteral("gone%1.mp3").arg(i));
        rig.controller.setPlayMode(mode);
        rig.controller.play();
        for (int i = 0; i < 30 && rig.playlist.count() > 0; ++i)
            rig.settle();
        EXPECT_EQ(rig.playlist.count(), 0) << mode;
        EXPECT_EQ(rig.controller.Channel(), 0u);
        EXPECT_FALSE(rig.controller.positionTimerActive());
        for (const std::string& call : rig.engine.calls)
            EXPECT_FALSE(call.starts_with("Create")) << call;
    }
}

TEST(PlaybackController, ANoticeForAStreamNoLongerPlayingIsDropped) {
    PlaybackRig rig;
    rig.addTracks(3);
    rig.controller.PlayTrack(0);
    rig.engine.finishTrack(rig.controller.Channel()); // the notice is posted ...
    rig.controller.PlayTrack(2);                      // ... but the user chose another row first
    rig.settle();
    EXPECT_EQ(rig.playingRow(), 2);
    EXPECT_EQ(rig.engine.createCount(rig.path("t1.mp3")), 0);

    rig.engine.finishTrack(rig.controller.Channel());
    rig.controller.stop();
    rig.settle();
    EXPECT_EQ(rig.controller.Channel(), 0u) << "Stop is not undone by the end of the stopped stream";
    EXPECT_EQ(rig.engine.createCount(rig.path("t0.mp3")), 1);
}

TEST(PlaybackController, TheEnginesThreadOnlyPostsTheNotice) {
    PlaybackRig rig;
    rig.addTracks(2);
    rig.controller.PlayTrack(0);
    auto& stream = rig.engine.streams.at(rig.controller.Channel());
    stream.playing = false;
    auto callbacks = stream.endCallbacks;
    ASSERT_EQ(callbacks.size(), 1u);
    std::thread engineThread([&] { callbacks[0](EndReason::Played); });
    engineThread.join();
    EXPECT_EQ(rig.controller.CurrentTrack(), 0) << "nothing happens on the engine's thread";
    rig.settle();
    EXPECT_EQ(rig.playingRow(), 1);
}

TEST(PlaybackController, ANoticeOutlivingTheControllerIsHarmless) {
    PlaybackRig rig;
    rig.addTracks(2);
    Playback& p = rig.playback;
    auto controller =
        std::make_unique<PlaybackController>(rig.engine, rig.playlist, p.state, p.equalizer, rig.beat);
    controller->PlayTrack(0);
    auto callback = rig.engine.streams.at(p.state.Channel).endCallbacks.at(0);
    controller.reset(); // the window went away while the engine still held the sync
    rig.engine.clearCalls();
    callback(EndReason::Played);
    PlaybackRig::settle();
    EXPECT_TRUE(rig.engine.calls.empty()) << "nobody is left to start the next track";
}

TEST(PlaybackController, AFileThatFailsIsNotRepeatedAndAListOfFailuresDoesNotGoRound) {
    constexpr int kRepeatList = 0, kRepeatOne = 1;
    { // the one-track mode would restart a failing file for ever
        PlaybackRig rig;
        rig.addTracks(2);
        rig.controller.setPlayMode(kRepeatOne);
        rig.controller.PlayTrack(0);
        rig.engine.finishTrack(rig.controller.Channel(), EndReason::Failed);
        rig.settle();
        EXPECT_EQ(rig.engine.createCount(rig.path("t0.mp3")), 1) << "not started again";
        EXPECT_EQ(rig.engine.createCount(rig.path("t1.mp3")), 0);
    }
    { // in the list mode a failing file is skipped, but a list of nothing else stops
        PlaybackRig rig;
        rig.addTracks(3);
        rig.controller.setPlayMode(kRepeatList);
        rig.controller.PlayTrack(0);
        for (int ended = 0; ended < 10 && rig.controller.Channel() != 0; ++ended) {
            const StreamHandle before = rig.controller.Channel();
            rig.engine.finishTrack(before, EndReason::Failed);
            rig.settle();
            if (rig.controller.Channel() == before) break; // nothing new was started
        }
        int creates = 0;
        for (const std::string& call : rig.engine.calls)
            creates += call.starts_with("Create");
        EXPECT_EQ(creates, 3) << "each file tried once, then the player waits for the user";

        rig.controller.next(); // the user acts: the count starts anew, at row 0 after the last
        ASSERT_EQ(rig.playingRow(), 0);
        rig.engine.finishTrack(rig.controller.Channel(), EndReason::Failed);
        rig.settle();
        EXPECT_EQ(rig.playingRow(), 1) << "a failing file is passed over";
        rig.engine.finishTrack(rig.controller.Channel(), EndReason::Played);
        rig.settle();
        EXPECT_EQ(rig.playingRow(), 2) << "a played file goes on as ever";
    }
}

TEST(PlaybackController, AnEmptyListStartsNothing) {
    PlaybackRig rig;
    rig.controller.play();
    rig.controller.back();
    rig.controller.next();
    rig.controller.PlayTrack(0);
    EXPECT_TRUE(rig.engine.calls.empty());
    EXPECT_EQ(rig.controller.LastIndex(), -1);
    EXPECT_FALSE(rig.controller.positionTimerActive());
}

TEST(PlaybackController, IndicesOutsideTheListAreBroughtIntoRange) {
    PlaybackRig rig;
    rig.addTracks(3);
    rig.controller.PlayTrack(7);
    EXPECT_EQ(rig.playingRow(), 2);
    rig.controller.PlayTrack(-4);
    EXPECT_EQ(rig.playingRow(), 0);

    // One-track mode repeating a row that was deleted from the end of the list.
    rig.controller.setPlayMode(PlaybackController::RepeatOne);
    rig.controller.PlayTrack(2);
    rig.playlist.deleteRow(2);
    rig.playlist.deleteRow(1);
    rig.finish();
    EXPECT_EQ(rig.playingRow(), 0);

    // The playlist leaves the cursor at -1 after deleting its last row; Back goes to the last row.
    rig.addTracks(2);
    rig.controller.setPlayMode(PlaybackController::RepeatList);
    rig.controller.setNavIndex(-1);
    rig.controller.back();
    EXPECT_EQ(rig.playingRow(), 2);
}

TEST(PlaybackController, AFileThatDoesNotOpenIsPassedOverByThePlayMode) {
    PlaybackRig rig;
    rig.addTrack("good.mp3", FakeTrack{.lengthSeconds = 100});
    rig.addTrack("broken.flac");
    rig.engine.files.erase(rig.path("broken.flac")); // on disk, but the decoder refuses it
    rig.controller.PlayTrack(0);
    int timeChanges = 0;
    QObject::connect(&rig.controller, &PlaybackController::timeChanged, [&] { ++timeChanges; });
    rig.controller.PlayTrack(1);
    EXPECT_EQ(timeChanges, 1) << "the time goes back to zero without waiting for a tick";
    EXPECT_EQ(rig.controller.Channel(), 0u);
    EXPECT_TRUE(rig.controller.positionTimerActive());
    EXPECT_EQ(rig.controller.TickerText(), QStringLiteral("broken"));
    EXPECT_EQ(rig.controller.CurrentTrack(), 1);
    const Calls& calls = rig.engine.calls;
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(), [](auto& c) { return c.starts_with("notifyAtEnd"); }),
              1)
        << "only the track that opened armed its end";
    rig.settle();
    EXPECT_EQ(rig.playingRow(), 0);

    rig.controller.setPlayMode(PlaybackController::Random); // bad picks in a row never stop it
    for (int i = 0; i < 40; ++i) {
        rig.finish();
        ASSERT_EQ(rig.playingPath(), rig.path("good.mp3")) << i;
    }
}

TEST(PlaybackController, PlayModeCyclesAndAnUnknownModeStartsNothing) {
    PlaybackRig rig;
    rig.addTracks(2);
    std::vector<int> modes;
    QObject::connect(&rig.controller, &PlaybackController::playModeChanged,
                     [&](int mode) { modes.push_back(mode); });
    for (int expected : {1, 2, 0}) {
        rig.controller.cyclePlayMode();
        EXPECT_EQ(rig.controller.PlayMode(), expected);
    }
    EXPECT_EQ(modes, (std::vector<int>{1, 2, 0}));

    rig.controller.PlayTrack(0);
    rig.controller.setPlayMode(7);
    rig.finish();
    rig.controller.next();
    rig.controller.back();
    EXPECT_EQ(rig.engine.createCount(rig.path("t1.mp3")), 0);
    EXPECT_EQ(rig.engine.createCount(rig.path("t0.mp3")), 1);
    rig.controller.cyclePlayMode();
    EXPECT_EQ(rig.controller.PlayMode(), 0);
}

TEST(PlaybackController, TickerTextComesFromTagsOrTheFileName) {
    struct Case {
        std::optional<std::string> artist, title;
        const char* text;
    } cases[] = {
        {"Band", "Song", "Band - Song"},
        {"Band", std::nullopt, "Band"},
        {"Band", "", "Band - "},
        {"Band", " - ", "Band"},
        {" - ", "X", "My.Song"}, // placeholders count as missing
        {"-", "X", "My.Song"},
        {" ", std::nullopt, "My.Song"},
        {std::nullopt, "Only title", "My.Song"},
        {"", "X", "My.Song"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BuildTickerText(c.artist, c.title, "/music/a.b/My.Song.mp3"), QString::fromUtf8(c.text))
            << c.text;
    EXPECT_EQ(BuildTickerText(std::nullopt, std::nullopt, "/music/noext"), QStringLiteral("noext"));

    PlaybackRig rig;
    rig.addTrack("x.mp3", FakeTrack{.artist = "Артист", .title = "Песня", .lengthSeconds = 10});
    TickerLog ticker(rig.controller);
    rig.controller.PlayTrack(0);
    ASSERT_EQ(ticker.lines.size(), 1u);
    EXPECT_EQ(ticker.lines[0], std::make_pair(QStringLiteral("Артист - Песня"), 224));
}
