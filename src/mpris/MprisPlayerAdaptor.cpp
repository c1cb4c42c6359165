#include "MprisPlayerAdaptor.h"

#include "MprisControls.h"

#include <QFile>
#include <QUrl>

MprisPlayerAdaptor::MprisPlayerAdaptor(QObject* object, MprisControls& controls)
    : QDBusAbstractAdaptor(object), controls_(controls) {
    connect(&controls_, &MprisControls::seeked, this, &MprisPlayerAdaptor::Seeked);
}

QString MprisPlayerAdaptor::playbackStatus() const {
    return controls_.snapshot().playbackStatus;
}

QString MprisPlayerAdaptor::loopStatus() const {
    return LoopStatusOf(controls_.snapshot().playMode);
}

void MprisPlayerAdaptor::setLoopStatus(const QString& loopStatus) {
    controls_.setLoopStatus(loopStatus);
}

bool MprisPlayerAdaptor::shuffle() const {
    return ShuffleOf(controls_.snapshot().playMode);
}

void MprisPlayerAdaptor::setShuffle(bool shuffle) {
    controls_.setShuffle(shuffle);
}

QVariantMap MprisPlayerAdaptor::metadata() const {
    const MprisTrack track = controls_.snapshot().track;
    QVariantMap map;
    map.insert(QStringLiteral("mpris:trackid"),
               QVariant::fromValue(QDBusObjectPath(TrackIdFor(track.startNumber))));
    if (track.startNumber == 0) return map;
    map.insert(QStringLiteral("mpris:length"), qlonglong(track.lengthUs));
    map.insert(QStringLiteral("xesam:title"), track.title);
    if (!track.artist.isEmpty()) map.insert(QStringLiteral("xesam:artist"), QStringList{track.artist});
    if (!track.album.isEmpty()) map.insert(QStringLiteral("xesam:album"), track.album);
    map.insert(QStringLiteral("xesam:url"), track.url);
    if (!track.artUrl.isEmpty()) map.insert(QStringLiteral("mpris:artUrl"), track.artUrl);
    return map;
}

double MprisPlayerAdaptor::volume() const {
    return VolumeOf(controls_.snapshot().volPos);
}

void MprisPlayerAdaptor::setVolume(double volume) {
    controls_.setVolume(volume);
}

qlonglong MprisPlayerAdaptor::position() const {
    return controls_.positionUs();
}

bool MprisPlayerAdaptor::canGoNext() const {
    return controls_.snapshot().canGoNext;
}

bool MprisPlayerAdaptor::canPlay() const {
    return controls_.snapshot().canPlay;
}

bool MprisPlayerAdaptor::canPause() const {
    return controls_.snapshot().canPause;
}

bool MprisPlayerAdaptor::canSeek() const {
    return controls_.snapshot().canSeek;
}

void MprisPlayerAdaptor::Next() {
    controls_.next();
}

void MprisPlayerAdaptor::Previous() {
    controls_.previous();
}

void MprisPlayerAdaptor::Pause() {
    controls_.pause();
}

void MprisPlayerAdaptor::PlayPause() {
    controls_.playPause();
}

void MprisPlayerAdaptor::Stop() {
    controls_.stop();
}

void MprisPlayerAdaptor::Play() {
    controls_.play();
}

void MprisPlayerAdaptor::Seek(qlonglong Offset) {
    controls_.seek(Offset);
}

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath& TrackId, qlonglong Position) {
    controls_.setPosition(TrackId.path(), Position);
}

void MprisPlayerAdaptor::OpenUri(const QString& Uri) {
    // Only local files are offered; anything else is left alone.
    const QUrl url(Uri);
    if (url.isLocalFile()) emit controls_.openRequested(QFile::encodeName(url.toLocalFile()));
}
