#pragma once
#include <QFileDialog>
#include <QStringList>

#include <functional>

// The player's file dialogs, set up with their titles, filters and options and then shown through
// `run`, which tests replace to answer a dialog without showing it. Each returns what was chosen,
// nothing on Cancel.
class FileDialogs {
  public:
    // Shows a dialog modally; the chosen files, or none.
    std::function<QStringList(QFileDialog& dialog)> run = [](QFileDialog& dialog) {
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
    };

    // "Открыть файл(ы)": several existing audio files.
    QStringList openFiles(QWidget* parent);
    // "Добавить плейлист": the first chosen file, read as M3U whatever its name.
    QString openPlaylist(QWidget* parent);
    // "Сохранить плейлист": a file name; an existing file is replaced without a question.
    QString savePlaylistName(QWidget* parent);
    // "Выбрать каталог": one folder.
    QString folder(QWidget* parent);

    // The patterns the files dialog offers, in its order.
    static const QStringList& AudioPatterns();

  private:
    QStringList show(QFileDialog& dialog);
};
