#pragma once
// A playlist of real files in a temporary folder, the fake engine scripted with the same paths, and
// playback on them.
#include "BeatTimer.h"
#include "FakeEngine.h"
#include "Playback.h"
#include "PlaylistModel.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <string>

struct PlaybackRig {
    QTemporaryDir dir;
    FakeEngine engine;
    PlaylistModel playlist;
    Beat beat;
    Playback playback{engine, playlist, beat};
    PlaybackController& controller = playback.controller;

    PlaybackRig() {
        playback.setVolPos(104);
        playback.setBalance(0.0f, 48);
        engine.clearCalls(); // the engine was told the values (no stream yet)
    }

    std::string path(const QString& name) const { return dir.filePath(name).toStdString(); }

    // A row whose file exists on disk and opens in the engine.
    std::string addTrack(const QString& name, FakeTrack track = FakeTrack{.lengthSeconds = 100}) {
        const std::string p = path(name);
        QFile file(QString::fromStdString(p));
        file.open(QIODevice::WriteOnly);
        engine.files[p] = track;
        playlist.append({}, {}, QByteArray::fromStdString(p));
        return p;
    }
    // A row whose file is not on disk (deleted since it was added).
    std::string addMissing(const QString& name) {
        const std::string p = path(name);
        engine.files[p] = FakeTrack{.lengthSeconds = 100};
        playlist.append({}, {}, QByteArray::fromStdString(p));
        return p;
    }
    void addTracks(int n) {
        for (int i = 0; i < n; ++i)
            addTrack(QStringLiteral("t%1.mp3").arg(i));
    }

    // Lets posted notices run, including the ones they post in turn.
    static void settle() {
        for (int i = 0; i < 50; ++i)
            QCoreApplication::processEvents();
    }
    // The playing stream reaches its end and the notice is handled.
    void finish() {
        engine.finishTrack(controller.Channel());
        settle();
    }
    std::string playingPath() const {
        auto s = engine.streams.find(controller.Channel());
        return s == engine.streams.end() ? std::string() : s->second.path;
    }
    int playingRow() const { return controller.Channel() ? controller.CurrentTrack() : -1; }
};
