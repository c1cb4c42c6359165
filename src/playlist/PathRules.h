#pragma once
#include <QByteArray>

// Rules that look only at the bytes of a path, never at the disk. '/' is the
// only folder separator: '\' and ':' are ordinary file-name characters here.

// The extension, from the last '.' after the last '/' to the end, dot included,
// with only ASCII A-Z lowercased; empty when the file name has no '.'.
QByteArray PathExtension(const QByteArray& path);

// One of the nineteen audio extensions the player adds as rows.
bool IsAudioExtension(const QByteArray& lowerExtension);

inline constexpr char kPlaylistExtension[] = ".m3u";

// The file name without folder and extension, for rows without usable tags.
QByteArray FileNameStem(const QByteArray& path);

// Wildcard match of a file name: '*' any run of characters, '?' exactly one
// character (a whole UTF-8 sequence), ASCII letters compared without case,
// as folder masks such as "*.MP3" are typed by users.
bool MatchesMask(const QByteArray& name, const QByteArray& mask);
