#pragma once
#include <QByteArray>
#include <QString>

#include <cstdint>

class AudioEngine;
enum class FactsRead;

// What a row shows of its file besides its number.
struct TrackInfo {
    QString title;             // "Artist - Title", "Artist" or the file name
    QString duration;          // "mm:ss" / "hh:mm:ss", empty when unknown
    std::int64_t seconds = -1; // the length in whole seconds; -1 when unknown
};

// "Artist - Title" from the tags, or the file name without folder and
// extension. Reads the file's header once (from any thread); a missing file,
// a pipe or a device is not opened at all.
QString TrackTitle(AudioEngine& engine, const QByteArray& path);
// The length as time text; empty when the file is missing or not decodable.
QString TrackDuration(AudioEngine& engine, const QByteArray& path);
// Both with a single read of the file's header, for as long as the engine gives a file (seconds on
// a disk that spins up). `why`, when given, tells whether the read learnt what there is to learn
// or timed out, and may be tried again later.
TrackInfo ReadTrackInfo(AudioEngine& engine, const QByteArray& path, FactsRead* why = nullptr);

// The title of a row whose tags give none: the file name without extension.
QString FileNameTitle(const QByteArray& path);
// "mm:ss" below one hour, "hh:mm:ss" from 3600 s; empty for a negative length,
// which the engine reports when it cannot tell.
QString DurationText(std::int64_t seconds);
