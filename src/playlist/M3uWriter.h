#pragma once
#include "FileError.h"

#include <QByteArray>

class PlaylistModel;
class TrackInfoCache;

// The whole playlist as extended M3U: "#EXTM3U", then per row "#EXTINF:"
// with the length in whole seconds, a comma and the title, then the Path,
// each line ended by CR LF. Length and title are what `known` already holds
// for the row's file (nothing is read for a save): -1 and the file name
// where it holds nothing; a row's own Caption comes before either title.
// Titles are written as UTF-8 with their line breaks made blanks, paths as
// their own bytes.
QByteArray M3uText(const PlaylistModel& model, const TrackInfoCache* known = nullptr);

// Writes M3uText to path by ReplaceFileContents: the old file is replaced
// only once the new one is completely on disk, except in a folder that takes
// no new files, where the playlist is rewritten in place. Fails as a file
// that cannot be created.
FileResult SavePlaylist(const QByteArray& path, const PlaylistModel& model,
                        const TrackInfoCache* known = nullptr);
