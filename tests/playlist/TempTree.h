#pragma once
// Files for playlist tests, as bytes, in a folder removed after the test.
#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

class TempTree {
  public:
    TempTree() = default;
    // QTemporaryDir removes by QString names, which loses names that are not
    // UTF-8; remove everything by bytes first.
    ~TempTree() {
        ::chmod(root().constData(), 0755);
        ::nftw(
            root().constData(),
            [](const char* p, const struct stat*, int type, FTW*) {
                return type == FTW_DP ? ::rmdir(p) * 0 : ::unlink(p) * 0;
            },
            16, FTW_DEPTH | FTW_PHYS);
    }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    // The folder, ending in '/'.
    QByteArray root() const { return QFile::encodeName(dir_.path()) + '/'; }
    QByteArray path(const QByteArray& relative) const { return root() + relative; }

    // Writes a file, making its folders; relative may hold any bytes but '/'-separated folders.
    QByteArray write(const QByteArray& relative, const QByteArray& bytes = {}) const {
        const QByteArray full = path(relative);
        makeParents(full);
        if (FILE* f = std::fopen(full.constData(), "wb")) {
            std::fwrite(bytes.constData(), 1, size_t(bytes.size()), f);
            std::fclose(f);
        }
        return full;
    }
    QByteArray mkdir(const QByteArray& relative) const {
        makeParents(path(relative) + '/');
        return path(relative);
    }

    QByteArray read(const QByteArray& relative) const {
        QByteArray bytes;
        if (FILE* f = std::fopen(path(relative).constData(), "rb")) {
            char buffer[65536];
            for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
                bytes.append(buffer, qsizetype(n));
            std::fclose(f);
        }
        return bytes;
    }

  private:
    void makeParents(const QByteArray& full) const {
        for (qsizetype slash = full.indexOf('/', root().size()); slash > 0;
             slash = full.indexOf('/', slash + 1))
            ::mkdir(full.left(slash).constData(), 0755);
    }
    QTemporaryDir dir_;
};
