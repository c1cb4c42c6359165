#include "DroppedPaths.h"

#include <QFile>
#include <QMimeData>
#include <QUrl>

QByteArrayList DroppedPaths(const QMimeData* mime) {
    QByteArrayList paths;
    if (!mime) return paths;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile()) paths.append(QFile::encodeName(url.toLocalFile()));
    return paths;
}
