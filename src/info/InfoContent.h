#pragma once
#include "AudioEngine.h"

#include <QColor>
#include <QString>

// What the information window shows: the playing stream's seven tags as the engine gives them
// (a missing tag is empty), the line of codec, bit rate and sample rate in its three parts, and
// the skin colour of the heading.
struct InfoContent {
    QString artist, title, album, genre, track, year, comment;
    QString codecText, bitrateText, frequencyText;
    QColor skin;
};

// Reads the tags and the sample rate of `channel` now (handle 0 gives empty tags and the neutral
// rate); codec and bit rate are the texts made when the track started.
InfoContent ReadInfoContent(AudioEngine& engine, StreamHandle channel, const QString& codecText,
                            const QString& bitrateText, const QColor& skin);
