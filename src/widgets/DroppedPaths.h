#pragma once
#include <QByteArrayList>

class QMimeData;

// The local files of a drop, in the order given, as the bytes of their names; other URLs (web
// addresses, remote files) are left out.
QByteArrayList DroppedPaths(const QMimeData* mime);
