#pragma once
#include <QByteArray>

#include <functional>

// Walks a folder depth-first and reports every file whose name matches the
// mask, hidden files included. Each folder's entries are taken in
// case-insensitive name order (the file system's own order is arbitrary) and
// a subfolder's files are reported where the subfolder stands among them.
// Symbolic links to folders are followed, but each real folder is walked only
// once, so link loops end. Folders that cannot be read are skipped. Names are
// bytes, so names that are not valid UTF-8 arrive unchanged. The walk ends early when onFile
// returns false, or as soon as stopRequested answers true: it is asked before every entry,
// matching or not, so a stop is heard at once even deep in a tree where nothing matches.
void ScanFolderFiles(const QByteArray& folder, const QByteArray& mask, bool recurse,
                     const std::function<bool(const QByteArray& path)>& onFile,
                     const std::function<bool()>& stopRequested = {});
