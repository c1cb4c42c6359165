#include "TrackInfo.h"

#include "AudioEngine.h"
#include "PathRules.h"

#include <QFile>

#include <sys/stat.h>

namespace {

// Taggers write these when a field is meant to be blank.
bool usable(const std::optional<std::string>& tag) {
    return tag && *tag != " " && *tag != "-" && *tag != " - ";
}

QString titleFromTags(const StreamFacts& facts) {
    const std::optional<std::string>& artist = facts.tag(TagKey::Artist);
    if (!usable(artist) || artist->empty()) return {};
    QString title = QString::fromStdString(*artist);
    // A title tag alone is not shown: without the artist it says too little.
    if (const std::optional<std::string>& song = facts.tag(TagKey::Title); usable(song))
        title += " - " + QString::fromStdString(*song);
    return title;
}

// Only regular files are probed: opening a named pipe waits for a writer,
// and a device never ends.
bool isRegularFile(const QByteArray& path) {
    struct stat st {};
    return !path.isEmpty() && ::stat(path.constData(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

QString FileNameTitle(const QByteArray& path) {
    return QFile::decodeName(FileNameStem(path));
}

QString DurationText(std::int64_t seconds) {
    if (seconds < 0) return {};
    const std::int64_t h = seconds / 3600, m = seconds % 3600 / 60, s = seconds % 60;
    const auto two = [](std::int64_t v) { return QString::number(v).rightJustified(2, '0'); };
    return h != 0 ? two(h) + ':' + two(m) + ':' + two(s) : two(m) + ':' + two(s);
}

TrackInfo ReadTrackInfo(AudioEngine& engine, const QByteArray& path, FactsRead* why) {
    TrackInfo info;
    FactsRead read = FactsRead::NotDecodable;
    if (isRegularFile(path)) {
        if (const std::optional<StreamFacts> facts = engine.readFileFacts(path.toStdString(), read);
            facts && facts->sampleRate > 0) {
            info.title = titleFromTags(*facts);
            info.duration = DurationText(facts->lengthFrames / facts->sampleRate);
            if (facts->lengthFrames > 0) info.seconds = facts->lengthFrames / facts->sampleRate;
        }
    }
    if (info.title.isEmpty()) info.title = FileNameTitle(path);
    if (why) *why = read;
    return info;
}

QString TrackTitle(AudioEngine& engine, const QByteArray& path) {
    return ReadTrackInfo(engine, path).title;
}

QString TrackDuration(AudioEngine& engine, const QByteArray& path) {
    return ReadTrackInfo(engine, path).duration;
}
