#include "FolderScan.h"

#include "PathRules.h"

#include <QFile>
#include <QString>

#include <algorithm>
#include <dirent.h>
#include <set>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace {

struct DirEntry {
    QByteArray name;
    QString sortKey;
    bool folder = false;
};

using FolderId = std::pair<dev_t, ino_t>;

class Walker {
  public:
    Walker(const QByteArray& mask, bool recurse, const std::function<bool(const QByteArray&)>& onFile,
           const std::function<bool()>& stopRequested)
        : mask_(mask), recurse_(recurse), onFile_(onFile), stopRequested_(stopRequested) {}

    // False once the receiver has asked to stop.
    bool walk(const QByteArray& folder) {
        if (stopped()) return false;
        struct stat st {};
        if (::stat(folder.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) return true;
        if (!visited_.insert({st.st_dev, st.st_ino}).second) return true;

        const QByteArray prefix = folder.endsWith('/') ? folder : folder + '/';
        for (const DirEntry& entry : entries(prefix)) {
            if (stopped()) return false;
            if (entry.folder) {
                if (recurse_ && !walk(prefix + entry.name)) return false;
            } else if (MatchesMask(entry.name, mask_)) {
                if (!onFile_(prefix + entry.name)) return false;
            }
        }
        return true;
    }

  private:
    bool stopped() const { return stopRequested_ && stopRequested_(); }

    // The folder's entries in walk order; cut short by a stop, which walk() then sees.
    std::vector<DirEntry> entries(const QByteArray& prefix) const {
        std::vector<DirEntry> list;
        DIR* dir = ::opendir(prefix.constData());
        if (!dir) return list;
        while (const dirent* e = ::readdir(dir)) {
            const QByteArray name(e->d_name);
            if (name == "." || name == "..") continue;
            if (stopped()) break;
            bool folder = e->d_type == DT_DIR;
            // Pipes, devices and sockets are no tracks: opening one to show its
            // title would wait for a writer or never end.
            bool special =
                e->d_type == DT_FIFO || e->d_type == DT_CHR || e->d_type == DT_BLK || e->d_type == DT_SOCK;
            // Links and file systems without types need a stat; a broken link
            // counts as a file, like a path to a missing file.
            if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
                struct stat st {};
                const bool found = ::stat((prefix + name).constData(), &st) == 0;
                folder = found && S_ISDIR(st.st_mode);
                special = found && !folder && !S_ISREG(st.st_mode);
            }
            if (special) continue;
            list.push_back({name, QFile::decodeName(name), folder});
        }
        ::closedir(dir);
        std::sort(list.begin(), list.end(), [](const DirEntry& a, const DirEntry& b) {
            const int c = a.sortKey.compare(b.sortKey, Qt::CaseInsensitive);
            return c != 0 ? c < 0 : a.name < b.name;
        });
        return list;
    }

    QByteArray mask_;
    bool recurse_;
    const std::function<bool(const QByteArray&)>& onFile_;
    const std::function<bool()>& stopRequested_;
    std::set<FolderId> visited_;
};

} // namespace

void ScanFolderFiles(const QByteArray& folder, const QByteArray& mask, bool recurse,
                     const std::function<bool(const QByteArray& path)>& onFile,
                     const std::function<bool()>& stopRequested) {
    if (folder.isEmpty()) return;
    Walker(mask, recurse, onFile, stopRequested).walk(folder);
}
