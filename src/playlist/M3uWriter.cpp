#include "M3uWriter.h"

#include "FileReplace.h"
#include "PlaylistModel.h"

QByteArray M3uText(const PlaylistModel& model) {
    QByteArray text;
    text.reserve(9 + qsizetype(model.count()) * 64);
    text += "#EXTM3U\r\n";
    for (int i = 0; i < model.count(); ++i) {
        const PlaylistEntry& row = model.Row(i);
        text += "#EXTINF:206,";
        text += row.Caption.toUtf8();
        text += "\r\n";
        text += row.Path;
        text += "\r\n";
    }
    return text;
}

FileResult SavePlaylist(const QByteArray& path, const PlaylistModel& model) {
    if (const int err = ReplaceFileContents(path, M3uText(model)))
        return FileError::cannotCreate(path, FileError::reason(err));
    return {};
}
