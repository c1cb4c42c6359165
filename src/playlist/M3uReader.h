#pragma once
#include "FileError.h"

#include <QByteArray>

#include <functional>

// Reads an extended M3U file as bytes. Lines end at CR LF, a lone CR or a
// lone LF; a zero byte ends the text. Unless the first line is exactly
// "#EXTM3U", nothing is reported. Otherwise every
// line that is neither empty nor a "#" comment goes to onEntry unchanged, in
// file order. A line longer than PATH_MAX - 1 bytes is no path and is
// skipped. The file is read in blocks, so a huge file costs memory only for
// its longest line, and never more than a path's length for that.
//
// Fails when the file cannot be opened or read, or is no regular file; the
// lines reported before a failed read stand.
FileResult ReadM3uEntries(const QByteArray& path, const std::function<void(const QByteArray& line)>& onEntry);
