#pragma once
#include <QByteArrayList>

// The paths of a command line made absolute against `workingFolder` (file-name bytes, as given).
// Only "." and repeated slashes are dropped: "link/../x" stays as it is, since the folder that
// "link" points to may have another parent than the one its name suggests. Empty arguments
// are skipped.
QByteArrayList AbsolutePaths(const QByteArrayList& arguments, const QByteArray& workingFolder);
// The process's working folder as the kernel knows it (bytes; "/" when it cannot be read).
QByteArray WorkingFolder();
