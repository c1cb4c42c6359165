#pragma once
#include "FileError.h"

#include <QByteArray>
#include <QString>

// Makes bytes the whole contents of the file at path (created when missing) and returns 0, or the
// errno value of the step that failed.
//
// The bytes go to a temporary file beside the target that is then renamed over it, so a crash or
// a full disk leaves the old file or the new one, never a truncated mix. A symbolic link keeps
// pointing at its file, which gets the new contents; an existing file keeps its owner and
// permission bits; a file the user may not write stays as it is. Only a regular file is ever
// replaced: a device, a pipe or a socket (named directly or through a link) and a link that leads
// nowhere are left alone and give kNotRegularFile, EISDIR or the link's error. Where the folder
// takes no new file although the file itself may be written, where the file has other hard links,
// or where its owner cannot be given to a new file, the file is rewritten in place instead, after
// reserving the room it needs (see the definition for what that still risks).
int ReplaceFileContents(const QByteArray& path, const QByteArray& bytes);

// Removes the temporary files that saves into folder left behind when they were killed: only files
// named as ReplaceFileContents names them, and only those last written more than olderThanSeconds
// ago, so that a save still running is left alone.
void RemoveStaleSaveFiles(const QString& folder, int olderThanSeconds = 60);
