#include "M3uWriter.h"

#include "FileReplace.h"
#include "PlaylistModel.h"
#include "TrackInfoCache.h"

namespace {

// A title is one line of the file: a line break in a tag would start a line
// that reads back as a path.
QByteArray titleLine(QString title) {
    for (QChar& c : title)
        if (c == u'\r' || c == u'\n') c = u' ';
    return title.toUtf8();
}

} // namespace

QByteArray M3uText(const PlaylistModel& model, const TrackInfoCache* known) {
    QByteArray text;
    text.reserve(9 + qsizetype(model.count()) * 96);
    text += "#EXTM3U\r\n";
    for (int i = 0; i < model.count(); ++i) {
        const PlaylistEntry& row = model.Row(i);
        const TrackInfo* info = known ? known->Known(row.Path) : nullptr;
        text += "#EXTINF:";
        text += QByteArray::number(info ? info->seconds : -1);
        text += ',';
        text += titleLine(!row.Caption.isEmpty() ? row.Caption
                          : info                 ? info->title
                                                 : FileNameTitle(row.Path));
        text += "\r\n";
        text += row.Path;
        text += "\r\n";
    }
    return text;
}

FileResult SavePlaylist(const QByteArray& path, const PlaylistModel& model, const TrackInfoCache* known) {
    if (const int err = ReplaceFileContents(path, M3uText(model, known)))
        return FileError{FileError::Step::Create, path, err};
    return {};
}
