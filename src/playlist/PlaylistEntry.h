#pragma once
#include <QByteArray>
#include <QString>

// One playlist row. Path holds the file-name bytes exactly as they were handed
// over: names that are not valid UTF-8 must still open and save unchanged.
struct PlaylistEntry {
    QString Caption;
    QString TimeText;
    QByteArray Path;
};
