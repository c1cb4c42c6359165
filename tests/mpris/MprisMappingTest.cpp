#include "MprisMapping.h"
#include "PathRules.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QMimeDatabase>
#include <QSet>
#include <QTemporaryDir>
#include <QRegularExpression>

#include <cmath>
#include <limits>

TEST(MprisMapping, LoopStatusAndShuffleWrittenBackGiveTheModeTheyWereReadFrom) {
    for (int mode : {0, 1, 2}) {
        EXPECT_EQ(ModeForLoopStatus(mode, LoopStatusOf(mode)), mode) << mode;
        EXPECT_EQ(ModeForShuffle(mode, ShuffleOf(mode)), mode) << mode;
    }
    EXPECT_EQ(LoopStatusOf(1), "Track");
    EXPECT_TRUE(ShuffleOf(2));
    // Turning one off leaves the other as the client sees it.
    EXPECT_EQ(ModeForShuffle(2, false), 0);
    EXPECT_EQ(ModeForLoopStatus(2, "Track"), 1);
    EXPECT_EQ(ModeForLoopStatus(1, "Playlist"), 0);
    EXPECT_EQ(ModeForShuffle(1, true), 2);
    // No mode stops at the list's end; a mode from an edited file starts nothing, so loops nowhere.
    EXPECT_EQ(ModeForLoopStatus(0, "None"), std::nullopt);
    EXPECT_EQ(ModeForLoopStatus(0, "garbage"), std::nullopt);
    EXPECT_EQ(LoopStatusOf(7), "None");
    EXPECT_FALSE(ShuffleOf(7));
}

TEST(MprisMapping, VolumeGoesToTheNearestStepOfTheBarAndBackUnchanged) {
    for (int volPos = 4; volPos <= 104; ++volPos)
        EXPECT_EQ(VolPosFor(VolumeOf(volPos)), volPos) << volPos;
    EXPECT_DOUBLE_EQ(VolumeOf(54), 0.5);
    EXPECT_EQ(VolPosFor(0.356), 40);
    EXPECT_EQ(VolPosFor(0.004), 4);
    EXPECT_EQ(VolPosFor(-0.5), 4);
    EXPECT_EQ(VolPosFor(1.7), 104);
    EXPECT_EQ(VolPosFor(std::numeric_limits<double>::infinity()), 104);
    EXPECT_EQ(VolPosFor(std::nan("")), std::nullopt);
}

TEST(MprisMapping, TrackIdsArePathsOfTheirOwnAndLengthsHoldForHoursLongTracks) {
    const QRegularExpression objectPath(QStringLiteral("^(/[A-Za-z0-9_]+)+$"));
    EXPECT_TRUE(objectPath.match(TrackIdFor(1)).hasMatch());
    EXPECT_TRUE(objectPath.match(TrackIdFor(0)).hasMatch());
    EXPECT_NE(TrackIdFor(1), TrackIdFor(2));
    EXPECT_NE(TrackIdFor(0), TrackIdFor(1));

    const std::int64_t cd = 44100 * 4, hiRes = 192000 * 2 * 6;
    EXPECT_EQ(MicrosecondsOf(cd * 3, cd), 3'000'000);
    const std::int64_t tenHours = 36'000'000'000;
    EXPECT_EQ(MicrosecondsOf(BytesOf(tenHours, hiRes), hiRes), tenHours);
    EXPECT_EQ(BytesOf(1'500'000, cd), cd * 3 / 2);
    EXPECT_EQ(MicrosecondsOf(1000, 0), 0);
    EXPECT_EQ(BytesOf(1000, 0), 0);
}

TEST(MprisMapping, EveryChangeOfWhatIsReportedIsAnnounced) {
    const MprisSnapshot before;
    EXPECT_TRUE(ChangedProperties(before, before).isEmpty());

    MprisSnapshot after = before;
    after.canGoNext = true;
    EXPECT_EQ(ChangedProperties(before, after), QStringList({"CanGoNext", "CanGoPrevious"}));

    after = before;
    after.playMode = 2;
    EXPECT_EQ(ChangedProperties(before, after), QStringList({"Shuffle"}));
    after.playMode = 1;
    EXPECT_EQ(ChangedProperties(before, after), QStringList({"LoopStatus"}));

    after = before;
    after.volPos = 60;
    after.playbackStatus = QStringLiteral("Playing");
    after.track.album = QStringLiteral("B");
    EXPECT_EQ(ChangedProperties(before, after), QStringList({"PlaybackStatus", "Volume", "Metadata"}));
}

TEST(MprisMapping, EveryTypeTheSystemGivesAFileWePlayIsOffered) {
    const QStringList offered = SupportedMimeTypes();
    const QMimeDatabase types;
    QSet<QString> extensions;
    for (const QMimeType& type : types.allMimeTypes())
        for (const QString& suffix : type.suffixes())
            if (IsAudioExtension("." + suffix.toLatin1().toLower())) extensions.insert(suffix.toLower());
    EXPECT_GE(extensions.size(), 15); // the database knows most of the nineteen
    for (const QString& extension : extensions) {
        const QString name = types.mimeTypeForFile("x." + extension, QMimeDatabase::MatchExtension).name();
        EXPECT_TRUE(offered.contains(name)) << name.toStdString() << " for ." << extension.toStdString();
    }
    // The name alone is ambiguous (an HLS stream list is .m3u too); a file manager looks inside.
    QTemporaryDir folder;
    QFile playlist(folder.filePath("list.m3u"));
    ASSERT_TRUE(playlist.open(QIODevice::WriteOnly));
    playlist.write("#EXTM3U\n#EXTINF:60,Artist - Title\n/music/a.mp3\n");
    playlist.close();
    const QString playlistType = types.mimeTypeForFile(playlist.fileName()).name();
    EXPECT_TRUE(offered.contains(playlistType)) << playlistType.toStdString();
}
