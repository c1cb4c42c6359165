#include "FileDialogs.h"

namespace {
// Qt reads a filter's patterns from its last parentheses, so the classic description comes first
// and the patterns follow in a pair of their own, which the dialogs do not show.
QString AudioFilter() {
    const QStringList& patterns = FileDialogs::AudioPatterns();
    return "Все файлы ( " + patterns.join(";") + ";) (" + patterns.join(" ") + ")";
}

const QString kPlaylistFilter = QStringLiteral("M3U Playlist (*.m3u)");

QString First(const QStringList& files) {
    return files.isEmpty() ? QString() : files.first();
}
} // namespace

const QStringList& FileDialogs::AudioPatterns() {
    static const QStringList patterns = {"*.mp3",  "*.mp2", "*.mp1", "*.ogg", "*.wav", "*.aif", "*.wma",
                                         "*.wv",   "*.tta", "*.spx", "*.mpc", "*.mp+", "*.mpp", "*.oga",
                                         "*.flac", "*.ape", "*.mac", "*.m4a", "*.ac3", "*.mp4", "*.aac"};
    return patterns;
}

QStringList FileDialogs::show(QFileDialog& dialog) {
    // A filter is shown by its description alone: ours already lists the patterns.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    QStringList chosen = run ? run(dialog) : QStringList();
    return chosen;
}

QStringList FileDialogs::openFiles(QWidget* parent) {
    QFileDialog dialog(parent, QStringLiteral("Открыть файл(ы)"), QString(), AudioFilter());
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setDefaultSuffix(QStringLiteral("mp3"));
    return show(dialog);
}

QString FileDialogs::openPlaylist(QWidget* parent) {
    QFileDialog dialog(parent, QStringLiteral("Добавить плейлист"), QString(), kPlaylistFilter);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setDefaultSuffix(QStringLiteral("m3u"));
    return First(show(dialog));
}

QString FileDialogs::savePlaylistName(QWidget* parent) {
    QFileDialog dialog(parent, QStringLiteral("Сохранить плейлист"), QString(), kPlaylistFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("m3u"));
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    return First(show(dialog));
}

QString FileDialogs::folder(QWidget* parent) {
    QFileDialog dialog(parent, QStringLiteral("Выбрать каталог"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    return First(show(dialog));
}
