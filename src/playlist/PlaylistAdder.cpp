#include "PlaylistAdder.h"

#include "FolderScan.h"
#include "M3uReader.h"
#include "PathRules.h"
#include "PlaylistModel.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <unistd.h>

namespace {

// "http://..." and other URLs name no file in the playlist's folder.
bool isUrl(const QByteArray& line) {
    const qsizetype colon = line.indexOf("://");
    if (colon <= 0) return false;
    for (qsizetype i = 0; i < colon; ++i) {
        const char c = line[i];
        const bool schemeChar = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                                (i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'));
        if (!schemeChar) return false;
    }
    return true;
}

QByteArray currentFolder() {
    std::vector<char> buffer(PATH_MAX);
    return ::getcwd(buffer.data(), buffer.size()) ? QByteArray(buffer.data()) : QByteArray();
}

// The folder of a playlist file, absolute, ending in '/'.
QByteArray folderOf(const QByteArray& playlist) {
    const QByteArray absolute = playlist.startsWith('/') ? playlist : currentFolder() + '/' + playlist;
    return absolute.left(absolute.lastIndexOf('/') + 1);
}

QByteArray realPath(const QByteArray& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.constData(), resolved) ? QByteArray(resolved) : path;
}

} // namespace

template <class Work> FileResult PlaylistAdder::batch(Work&& work) {
    ++depth_;
    FileResult result = work();
    if (--depth_ == 0) flush();
    return result;
}

void PlaylistAdder::flush() {
    std::vector<PlaylistEntry> rows;
    rows.swap(pending_);
    model_.appendRows(std::move(rows));
}

FileResult PlaylistAdder::AddByPath(const QByteArray& path) {
    return batch([&] { return add(path); });
}

FileResult PlaylistAdder::LoadPlaylist(const QByteArray& path) {
    return batch([&] { return load(path); });
}

FileResult PlaylistAdder::ScanFolder(const QByteArray& folder, const QByteArray& mask, bool recurse) {
    return batch([&] {
        FileResult result;
        ScanFolderFiles(folder, mask, recurse, [&](const QByteArray& file) {
            result = add(file);
            return result.ok();
        });
        return result;
    });
}

FileResult PlaylistAdder::addPaths(const QByteArrayList& paths) {
    return batch([&] {
        for (const QByteArray& path : paths)
            if (FileResult result = add(path); !result.ok()) return result;
        return FileResult();
    });
}

FileResult PlaylistAdder::add(const QByteArray& path) {
    const QByteArray ext = PathExtension(path);
    if (ext == kPlaylistExtension) return load(path);
    if (!IsAudioExtension(ext)) return {};
    // A playlist line ends at a line break: saved, such a name would read back as other files.
    if (path.contains('\n') || path.contains('\r'))
        return FileError{FileError::Step::Open, path, kNameHasLineBreak};
    pending_.push_back({QString(), QString(), path});
    return {};
}

FileResult PlaylistAdder::load(const QByteArray& path) {
    // A chain deeper than any real collection of playlists is treated like a
    // loop: one that came this far is most likely generated, and following
    // it would only cost stack and memory.
    if (loading_.size() >= size_t(kMaxPlaylistNesting)) return {};
    const QByteArray real = realPath(path);
    if (std::find(loading_.begin(), loading_.end(), real) != loading_.end()) return {};

    // Relative entries name files beside the playlist, the convention of the
    // playlists other players write; resolving them against our own working
    // folder would point at nothing.
    const QByteArray base = folderOf(path);
    // The file is read whole and closed before its entries are followed, so
    // nested playlists do not each hold a file open.
    QByteArrayList entries;
    const FileResult read = ReadM3uEntries(path, [&](const QByteArray& line) {
        entries.append(line.startsWith('/') || isUrl(line) ? line : base + line);
    });
    if (!read.ok()) return read;

    loading_.push_back(real);
    struct Unmark {
        std::vector<QByteArray>& loading;
        ~Unmark() { loading.pop_back(); }
    } unmark{loading_};
    for (const QByteArray& entry : std::as_const(entries))
        if (FileResult result = add(entry); !result.ok()) return result;
    return {};
}
