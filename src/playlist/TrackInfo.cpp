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

QString titleFromTags(AudioEngine& engine, StreamHandle h) {
    const std::optional<std::string> artist = engine.TagArtist(h);
    if (!usable(artist) || artist->empty()) return {};
    QString title = QString::fromStdString(*artist);
    // A title tag alone is not shown: without the artist it says too little.
    if (const std::optional<std::string> song = engine.TagTitle(h); usable(song))
        title += " - " + QString::fromStdString(*song);
    return title;
}

// Frees the temporary stream on every way out.
class ProbeStream {
  public:
    ProbeStream(AudioEngine& engine, const QByteArray& path)
        : engine_(engine), handle_(engine.Create(path.toStdString())) {}
    ~ProbeStream() { engine_.ChannelFree(handle_); }
    ProbeStream(const ProbeStream&) = delete;
    ProbeStream& operator=(const ProbeStream&) = delete;
    StreamHandle handle() const { return handle_; }

  private:
    AudioEngine& engine_;
    StreamHandle handle_;
};

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

TrackInfo ReadTrackInfo(AudioEngine& engine, const QByteArray& path) {
    TrackInfo info;
    if (isRegularFile(path)) {
        ProbeStream stream(engine, path);
        if (stream.handle() != 0) {
            info.title = titleFromTags(engine, stream.handle());
            info.duration = DurationText(engine.GetAllTime(stream.handle()));
        }
    }
    if (info.title.isEmpty()) info.title = FileNameTitle(path);
    return info;
}

QString TrackTitle(AudioEngine& engine, const QByteArray& path) {
    return ReadTrackInfo(engine, path).title;
}

QString TrackDuration(AudioEngine& engine, const QByteArray& path) {
    return ReadTrackInfo(engine, path).duration;
}
