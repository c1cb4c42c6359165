#pragma once
// How the player's own state reads on the desktop's media-player interface (MPRIS), and back. Plain
// values only: the D-Bus side turns them into its types.
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

// Play modes as the controller numbers them: 0 goes round the list, 1 plays one track again, 2
// picks at random for ever. A mode outside 0..2 (an edited settings file) starts nothing at a
// track's end, so it reads as no loop.
QString LoopStatusOf(int playMode);
bool ShuffleOf(int playMode);
// The mode a client's LoopStatus asks for, starting from the mode now; nullopt for "None", which
// the player has no mode for (it never stops at the end of the list). Random stays random under
// "Playlist", since it goes on for ever too.
std::optional<int> ModeForLoopStatus(int playMode, const QString& loopStatus);
// Shuffle off leaves random for going round the list; on, it is random whatever the mode was.
int ModeForShuffle(int playMode, bool shuffle);

// The volume bar's VolPos (4 is 0 %, 104 is 100 %) as 0.0 .. 1.0, and back to the nearest step;
// nullopt for a value that is no number.
double VolumeOf(int volPos);
std::optional<int> VolPosFor(double volume);

// The types of files the player opens, as its desktop entry lists them for the file manager.
QStringList SupportedMimeTypes();

// "Playing", "Paused" or "Stopped". A track whose file did not open plays nothing.
QString PlaybackStatusOf(bool streamOpen, bool paused);

// Stream bytes and microseconds, for a stream of bytesPerSecond (0 for no stream gives 0).
std::int64_t MicrosecondsOf(std::int64_t bytes, std::int64_t bytesPerSecond);
std::int64_t BytesOf(std::int64_t microseconds, std::int64_t bytesPerSecond);

// The object path naming the startNumber-th track started since the player started; 0 is no
// track.
QString TrackIdFor(std::uint64_t startNumber);

// The playing track as the desktop is told about it.
struct MprisTrack {
    std::uint64_t startNumber = 0;
    std::int64_t lengthUs = 0;
    QString title, artist, album, url;
    QString artUrl; // empty when the track has no cover
    bool operator==(const MprisTrack&) const = default;
};

// Everything the Player interface reports but the position, taken at one moment.
struct MprisSnapshot {
    QString playbackStatus = QStringLiteral("Stopped");
    int playMode = 0;
    int volPos = 104;
    bool canGoNext = false, canPlay = false, canPause = false, canSeek = false;
    MprisTrack track;
};

// The Player interface's properties whose values differ between two snapshots.
QStringList ChangedProperties(const MprisSnapshot& before, const MprisSnapshot& after);
