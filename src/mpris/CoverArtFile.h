#pragma once
#include "CoverArt.h"

#include <QString>

#include <cstdint>
#include <optional>

// The playing track's cover as a file the desktop's media panel can show. Each track's picture gets
// a name of its own (panels keep pictures by their address), in a folder no other user may read,
// and goes when the track is no longer current or the player ends. GUI thread only.
class CoverArtFile {
  public:
    CoverArtFile() = default;
    CoverArtFile(const CoverArtFile&) = delete;
    CoverArtFile& operator=(const CoverArtFile&) = delete;
    ~CoverArtFile() { clear(); }

    // Until a folder is given, or when it is empty, no file is written.
    void setFolder(const QString& folder) { folder_ = folder; }
    // Removes the previous track's file and writes this one's picture; its file:// URL, or empty
    // when there is no picture, it is no image we know, or it cannot be written.
    QString show(const std::optional<CoverArt>& cover, std::uint64_t trackNumber);
    void clear();

  private:
    QString folder_;
    QString path_;
};
