#pragma once
#include "FileError.h"
#include "PlaylistEntry.h"

#include <QByteArray>
#include <QByteArrayList>

#include <vector>

class PlaylistModel;

// The one way tracks enter the playlist: by the extension of a path. Rows
// found during one call, however deeply playlists and folders nest, reach the
// model as one batch, so views repaint once. When a playlist cannot be read,
// adding stops there: the rows found before it are added, and its error is
// the result.
class PlaylistAdder {
  public:
    explicit PlaylistAdder(PlaylistModel& model) : model_(model) {}

    // ".m3u" loads the playlist; one of the audio extensions adds a row with
    // the path unchanged (the file itself is not touched); others are ignored.
    // A name with a line break, which no playlist line can hold, fails as a
    // file that cannot be opened.
    FileResult AddByPath(const QByteArray& path);
    // AddByPath for each path in order, as one batch.
    FileResult addPaths(const QByteArrayList& paths);
    // Playlists nested deeper than this are skipped like a playlist that
    // includes itself.
    static constexpr int kMaxPlaylistNesting = 64;

    // Appends the entries of an M3U file. A playlist that is already being
    // read, directly or through others, is skipped, so self-including
    // playlists end; so is one nested deeper than kMaxPlaylistNesting.
    FileResult LoadPlaylist(const QByteArray& path);
    // Adds every file of the folder (and its subfolders when recurse) whose
    // name matches the mask, in name order, depth-first.
    FileResult ScanFolder(const QByteArray& folder, const QByteArray& mask, bool recurse);

  private:
    template <class Work> FileResult batch(Work&& work);
    void flush();
    FileResult add(const QByteArray& path);
    FileResult load(const QByteArray& path);

    PlaylistModel& model_;
    std::vector<PlaylistEntry> pending_;
    int depth_ = 0;
    std::vector<QByteArray> loading_; // real paths of the playlists being read
};
