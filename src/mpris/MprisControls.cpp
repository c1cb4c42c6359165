#include "MprisControls.h"

#include "Playback.h"
#include "PlaylistModel.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <algorithm>

namespace {
QString Tag(const std::optional<std::string>& tag) {
    return tag ? QString::fromStdString(*tag).trimmed() : QString();
}
} // namespace

MprisControls::MprisControls(AudioEngine& engine, Playback& playback, PlaylistModel& playlist)
    : engine_(engine), playback_(playback), playlist_(playlist) {
    PlaybackController& controller = playback_.controller;
    // A track's tags and cover come once its file is open, which may be after it started.
    const auto readPlaying = [this] {
        track_ = readTrack();
        track_.artUrl = cover_.show(engine_.TagPicture(playback_.state.Channel), startNumber_);
        emit changed();
    };
    connect(&controller, &PlaybackController::trackStarted, this, [this, readPlaying] {
        ++startNumber_;
        readPlaying();
    });
    connect(&controller, &PlaybackController::trackFactsRead, this, readPlaying);
    connect(&controller, &PlaybackController::stopped, this, [this] {
        track_ = MprisTrack();
        cover_.clear();
        emit changed();
    });
    connect(&controller, &PlaybackController::pauseChanged, this, &MprisControls::changed);
    connect(&controller, &PlaybackController::playModeChanged, this, &MprisControls::changed);
    // Rows come and go: whether there is anything to play may have changed.
    connect(&playlist_, &QAbstractItemModel::rowsInserted, this, &MprisControls::changed);
    connect(&playlist_, &QAbstractItemModel::rowsRemoved, this, &MprisControls::changed);
    connect(&playlist_, &QAbstractItemModel::modelReset, this, &MprisControls::changed);
    connect(&playback_, &Playback::volumeChanged, this, &MprisControls::changed);
    // The window's boxes, made before, show the jump first; a client hears of it after them.
    connect(&playback_, &Playback::seeked, this, [this] { emit seeked(positionUs()); });
}

MprisTrack MprisControls::readTrack() const {
    const StreamHandle channel = playback_.state.Channel;
    const QString path = QFile::decodeName(playback_.controller.CurrentFile());
    MprisTrack track;
    track.startNumber = startNumber_;
    track.lengthUs = MicrosecondsOf(engine_.GetLength(channel), bytesPerSecond());
    track.title = Tag(engine_.TagTitle(channel));
    if (track.title.isEmpty()) track.title = QFileInfo(path).completeBaseName();
    track.artist = Tag(engine_.TagArtist(channel));
    track.album = Tag(engine_.TagAlbum(channel));
    track.url = QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
    return track;
}

std::int64_t MprisControls::bytesPerSecond() const {
    return engine_.SecToByte(playback_.state.Channel, 1.0);
}

MprisSnapshot MprisControls::snapshot() const {
    const PlaybackState& state = playback_.state;
    const bool hasRows = playlist_.count() > 0;
    MprisSnapshot s;
    s.playbackStatus = PlaybackStatusOf(state.Channel != 0, state.Paused);
    s.playMode = playback_.controller.PlayMode();
    s.volPos = playback_.VolPos();
    s.canGoNext = hasRows;
    s.canPlay = hasRows;
    s.canPause = state.Channel != 0;
    s.canSeek = state.Channel != 0 && track_.lengthUs > 0;
    s.track = state.Channel != 0 ? track_ : MprisTrack();
    return s;
}

std::int64_t MprisControls::positionUs() const {
    const StreamHandle channel = playback_.state.Channel;
    return MicrosecondsOf(engine_.heardPosition(channel), bytesPerSecond());
}

void MprisControls::play() {
    const QString status = snapshot().playbackStatus;
    if (status == QLatin1String("Paused"))
        playback_.pause(); // the engine resumes a paused stream
    else if (status == QLatin1String("Stopped"))
        playback_.play();
}

void MprisControls::pause() {
    if (snapshot().playbackStatus == QLatin1String("Playing")) playback_.pause();
}

void MprisControls::playPause() {
    if (snapshot().playbackStatus == QLatin1String("Stopped"))
        playback_.play();
    else
        playback_.pause();
}

void MprisControls::stop() {
    playback_.stop();
}

void MprisControls::next() {
    playback_.next();
}

void MprisControls::previous() {
    playback_.back();
}

void MprisControls::seek(std::int64_t offsetUs) {
    if (playback_.state.Channel == 0) return;
    const std::int64_t target = std::max<std::int64_t>(0, positionUs() + offsetUs);
    if (target > track_.lengthUs) {
        next();
        return;
    }
    playback_.seekTo(BytesOf(target, bytesPerSecond()));
}

void MprisControls::setPosition(const QString& trackId, std::int64_t positionUs) {
    if (playback_.state.Channel == 0 || trackId != TrackIdFor(track_.startNumber)) return;
    if (positionUs < 0 || positionUs > track_.lengthUs) return;
    playback_.seekTo(BytesOf(positionUs, bytesPerSecond()));
}

void MprisControls::setVolume(double volume) {
    if (const std::optional<int> volPos = VolPosFor(volume)) playback_.setVolPos(*volPos);
}

void MprisControls::setPlayMode(int mode) {
    // The mode button's picture follows, as every other listener does.
    playback_.setPlayMode(mode);
}

void MprisControls::setLoopStatus(const QString& loopStatus) {
    const int mode = playback_.controller.PlayMode();
    if (const std::optional<int> wanted = ModeForLoopStatus(mode, loopStatus)) setPlayMode(*wanted);
}

void MprisControls::setShuffle(bool shuffle) {
    setPlayMode(ModeForShuffle(playback_.controller.PlayMode(), shuffle));
}
