#include "MprisMapping.h"

#include "DesktopMimeTypes.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int kRepeatList = 0, kRepeatOne = 1, kRandom = 2;
constexpr int kMinVolPos = 4, kMaxVolPos = 104;
constexpr long double kMicrosecondsPerSecond = 1e6L;
} // namespace

QString LoopStatusOf(int playMode) {
    switch (playMode) {
    case kRepeatList:
    case kRandom:
        return QStringLiteral("Playlist");
    case kRepeatOne:
        return QStringLiteral("Track");
    default:
        return QStringLiteral("None");
    }
}

bool ShuffleOf(int playMode) {
    return playMode == kRandom;
}

std::optional<int> ModeForLoopStatus(int playMode, const QString& loopStatus) {
    if (loopStatus == QLatin1String("Track")) return kRepeatOne;
    if (loopStatus == QLatin1String("Playlist")) return playMode == kRandom ? kRandom : kRepeatList;
    return std::nullopt;
}

int ModeForShuffle(int playMode, bool shuffle) {
    if (shuffle) return kRandom;
    return playMode == kRandom ? kRepeatList : playMode;
}

double VolumeOf(int volPos) {
    return (std::clamp(volPos, kMinVolPos, kMaxVolPos) - kMinVolPos) / 100.0;
}

std::optional<int> VolPosFor(double volume) {
    if (std::isnan(volume)) return std::nullopt;
    return kMinVolPos + int(std::lround(std::clamp(volume, 0.0, 1.0) * 100.0));
}

QString PlaybackStatusOf(bool streamOpen, bool paused) {
    if (!streamOpen) return QStringLiteral("Stopped");
    return paused ? QStringLiteral("Paused") : QStringLiteral("Playing");
}

// Long double keeps hours-long streams at high rates exact to the microsecond and the byte.
std::int64_t MicrosecondsOf(std::int64_t bytes, std::int64_t bytesPerSecond) {
    if (bytesPerSecond <= 0) return 0;
    return std::int64_t(std::llround(bytes * kMicrosecondsPerSecond / bytesPerSecond));
}

std::int64_t BytesOf(std::int64_t microseconds, std::int64_t bytesPerSecond) {
    if (bytesPerSecond <= 0) return 0;
    return std::int64_t(std::llround(microseconds * bytesPerSecond / kMicrosecondsPerSecond));
}

QString TrackIdFor(std::uint64_t startNumber) {
    // The MPRIS name for "no track"; every other id lies under the player's own prefix.
    if (startNumber == 0) return QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");
    return QStringLiteral("/org/vexo_mp/Track/%1").arg(startNumber);
}

QStringList ChangedProperties(const MprisSnapshot& before, const MprisSnapshot& after) {
    QStringList changed;
    const auto note = [&changed](bool differs, std::initializer_list<const char*> names) {
        if (!differs) return;
        for (const char* name : names)
            changed << QLatin1String(name);
    };
    note(before.playbackStatus != after.playbackStatus, {"PlaybackStatus"});
    note(LoopStatusOf(before.playMode) != LoopStatusOf(after.playMode), {"LoopStatus"});
    note(ShuffleOf(before.playMode) != ShuffleOf(after.playMode), {"Shuffle"});
    note(before.volPos != after.volPos, {"Volume"});
    note(before.canGoNext != after.canGoNext, {"CanGoNext", "CanGoPrevious"});
    note(before.canPlay != after.canPlay, {"CanPlay"});
    note(before.canPause != after.canPause, {"CanPause"});
    note(before.canSeek != after.canSeek, {"CanSeek"});
    note(!(before.track == after.track), {"Metadata"});
    return changed;
}

QStringList SupportedMimeTypes() {
    return QString::fromLatin1(VEXO_DESKTOP_MIME_TYPES).split(u';', Qt::SkipEmptyParts);
}
