#include "CoverArtFile.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QUrl>

#include <array>

namespace {

struct ImageKind {
    const char* mimeType;
    const char* suffix;
    QByteArray magic;
    int magicAt;
};

const std::array<ImageKind, 5> kKinds{{
    {"image/png", "png", QByteArray("\x89PNG\r\n\x1a\n", 8), 0},
    {"image/jpeg", "jpg", QByteArray("\xff\xd8\xff", 3), 0},
    {"image/gif", "gif", QByteArray("GIF8"), 0},
    {"image/webp", "webp", QByteArray("WEBP"), 8},
    {"image/bmp", "bmp", QByteArray("BM"), 0},
}};

// The file's own bytes come first: taggers get the type wrong, or write "JPG" or nothing for it.
// A picture neither its bytes nor its type make an image of is no cover.
QString suffixFor(const CoverArt& cover, const QByteArray& bytes) {
    for (const ImageKind& kind : kKinds)
        if (bytes.mid(kind.magicAt, kind.magic.size()) == kind.magic) return QLatin1String(kind.suffix);
    const QString named = QString::fromStdString(cover.mimeType).trimmed().toLower();
    for (const ImageKind& kind : kKinds)
        if (named == QLatin1String(kind.mimeType)) return QLatin1String(kind.suffix);
    if (named == QLatin1String("image/jpg")) return QStringLiteral("jpg");
    return {};
}

} // namespace

QString CoverArtFile::show(const std::optional<CoverArt>& cover, std::uint64_t trackNumber) {
    clear();
    if (!cover || cover->bytes.empty() || folder_.isEmpty()) return {};
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(cover->bytes.data()),
                                                     qsizetype(cover->bytes.size()));
    const QString suffix = suffixFor(*cover, bytes);
    if (suffix.isEmpty()) return {};
    // The process number keeps players of different homes, which may run side by side, apart.
    const QString path = QStringLiteral("%1/vexo-mp-cover-%2-%3.%4")
                             .arg(folder_)
                             .arg(QCoreApplication::applicationPid())
                             .arg(trackNumber)
                             .arg(suffix);
    // A file of that name can only be left from an earlier run of the same number.
    QFile::remove(path);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return {};
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.remove();
        return {};
    }
    path_ = path;
    return QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
}

void CoverArtFile::clear() {
    if (path_.isEmpty()) return;
    QFile::remove(path_);
    path_.clear();
}
