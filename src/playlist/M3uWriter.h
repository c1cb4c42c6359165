#pragma once
#include "FileError.h"

#include <QByteArray>

class PlaylistModel;

// The whole playlist as extended M3U: "#EXTM3U", then per row
// "#EXTINF:206," + Caption and the Path, each line ended by CR LF. Captions
// are written as UTF-8, paths as their own bytes. The duration field is a
// fixed 206 that readers of our files never use.
QByteArray M3uText(const PlaylistModel& model);

// Writes M3uText to path by ReplaceFileContents: the old file is replaced
// only once the new one is completely on disk, except in a folder that takes
// no new files, where the playlist is rewritten in place. Fails with
// "Cannot create file ...".
FileResult SavePlaylist(const QByteArray& path, const PlaylistModel& model);
