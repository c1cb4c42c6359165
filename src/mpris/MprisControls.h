#pragma once
#include "CoverArtFile.h"
#include "MprisMapping.h"

#include <QByteArray>
#include <QObject>

class AudioEngine;
class Playback;
class PlaylistModel;

// The player as the media-player interface sees it: its state as one snapshot, and the
// operations a client may ask for. Every operation is playback's own, the one the window's boxes
// perform too, so the windows show what a client did. GUI thread only.
class MprisControls : public QObject {
    Q_OBJECT
  public:
    MprisControls(AudioEngine& engine, Playback& playback, PlaylistModel& playlist);

    // Where the playing track's cover is written for the desktop: a folder only this user may
    // read. Without one, tracks have no cover.
    void keepCoversIn(const QString& folder) { cover_.setFolder(folder); }

    MprisSnapshot snapshot() const;
    // Where the playing track stands, read from the stream when asked.
    std::int64_t positionUs() const;

    // A client's Play never starts a playing track again, and resumes a paused one where it stands.
    void play();
    void pause();
    void playPause();
    void stop();
    void next();
    void previous();
    // Relative to where the track stands; past the end it goes to the next track, before the
    // start to the start.
    void seek(std::int64_t offsetUs);
    // Only for the playing track and a place inside it.
    void setPosition(const QString& trackId, std::int64_t positionUs);
    void setVolume(double volume);
    void setLoopStatus(const QString& loopStatus);
    void setShuffle(bool shuffle);

  signals:
    // What the application does for the root interface and OpenUri.
    void raiseRequested();
    void quitRequested();
    // A local file, folder or playlist to add to the playlist and play.
    void openRequested(const QByteArray& path);
    // Something of the snapshot may differ; several in a row may come for one change.
    void changed();
    // The playing track's position jumped (a seek by anyone), to positionUs.
    void seeked(qint64 positionUs);

  private:
    void setPlayMode(int mode);
    std::int64_t bytesPerSecond() const;
    MprisTrack readTrack() const;

    AudioEngine& engine_;
    Playback& playback_;
    PlaylistModel& playlist_;
    std::uint64_t startNumber_ = 0;
    MprisTrack track_;
    CoverArtFile cover_;
};
