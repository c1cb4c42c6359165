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
    Walker(const QByteArray& mask, bool recurse, const std::function<bool(const QByteArray&)>& onFile)
        : mask_(mask), recurse_(recurse), onFile_(onFile) {}

    // False once the receiver has asked to stop.
    bool walk(const QByteArray& folder) {
        struct stat st {};
        if (::stat(folder.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) return true;
        if (!visited_.insert({st.st_dev, st.st_ino}).second) return true;

        const QByteArray prefix = folder.endsWith('/') ? folder : folder + '/';
        for (const DirEntry& entry : entries(prefix)) {
            if (entry.folder) {
                if (recurse_ && !walk(prefix + entry.name)) return false;
            } else if (MatchesMask(entry.name, mask_)) {
                if (!onFile_(prefix + entry.name)) return false;
            }
        }
        return true;
    }

  private:
    static std::vector<DirEntry> entries(const QByteArray& prefix) {
        std::vector<DirEntry> list;
        DIR* dir = ::opendir(prefix.constData());
        if (!dir) return list;
        while (const dirent* e = ::readdir(dir)) {
            const QByteArray name(e->d_name);
            if (name == "." || name == "..") continue;
            bool folder = e->d_type == DT_DIR;
            // Links and file systems without types need a stat; a broken link
            // counts as a file, like a path to a missing file.
            if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
                struct stat st {};
                folder = ::stat((prefix + name).constData(), &st) == 0 && S_ISDIR(st.st_mode);
            }
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
    std::set<FolderId> visited_;
};

} // namespace

void ScanFolderFiles(const QByteArray& folder, const QByteArray& mask, bool recurse,
                     const std::function<bool(const QByteArray& path)>& onFile) {
    if (folder.isEmpty()) return;
    Walker(mask, recurse, onFile).walk(folder);
}
