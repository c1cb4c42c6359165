#pragma once
#include <QByteArray>
#include <QHash>
#include <QString>

#include <optional>
#include <vector>

// An INI file with the semantics of the Windows profile-string functions the settings file was
// designed around: section and key names are case-insensitive, values are trimmed, a read of a
// missing key gives the caller's default, a write updates the key where it stands or appends it
// to its section. Every line the program does not write (comments, blank lines, unknown keys,
// garbage) is kept byte for byte. Reads take the first section of a name and the first key of a
// name within it; later duplicates are kept but never read or written.
//
// Files are UTF-8 with any line ending on load and CR LF on save. Not thread-safe.
class IniFile {
  public:
    explicit IniFile(QString path);

    // Reads the file. A missing file is an empty document and a success; an unreadable one (no
    // permission, a folder), one that is no regular file (a pipe or a device, which could stall the
    // read for ever) or an absurd one (over kMaxFileBytes or kMaxLines) is an empty document and
    // false, so that a corrupt file cannot exhaust memory.
    bool load() { return read() == 0; }
    // As load(), giving why the file was refused (an errno value, EFBIG for an absurd file, or
    // kNotRegularFile), or 0.
    int read();

    // Replaces the file atomically (a temporary file renamed over it), so a crash or a full disk
    // leaves either the old or the new file, never a truncated one; only in a folder that takes no
    // new files is the file rewritten in place (ReplaceFileContents). False when it could not.
    bool save() const { return write() == 0; }
    // As save(), giving the errno value of the step that failed, or 0.
    int write() const;

    std::optional<QString> value(const QString& section, const QString& key) const;
    QString value(const QString& section, const QString& key, const QString& defaultValue) const;

    // False, and nothing written, when a name is empty or could not be read back (a line break in
    // any part, "=" in the key, "]" in the section, a key starting with "[" or ";"); leading and
    // trailing blanks of the value are not kept, as reads trim them.
    bool setValue(const QString& section, const QString& key, const QString& value);

    // The file as save() writes it.
    QByteArray toBytes() const;

    static constexpr qint64 kMaxFileBytes = 32 * 1024 * 1024;
    static constexpr qsizetype kMaxLines = 1'000'000;

  private:
    struct Line {
        QByteArray raw;
        QString key; // case-folded key of a "key=value" line; empty for any other line
    };
    struct Section {
        QByteArray header; // the "[Name]" line as read; empty for the lines before the first section
        std::vector<Line> lines;
        QHash<QString, int> firstKey; // folded key -> index of its first line
    };

    bool parse(const QByteArray& bytes);
    void clear();
    static void addLine(Section& section, QByteArray raw);
    const Section* findSection(const QString& name) const;
    static QString fold(const QString& name);

    QString path_;
    bool byteOrderMark_ = false;
    std::vector<Section> sections_;    // sections_[0] holds the lines before the first header
    QHash<QString, int> firstSection_; // folded name -> index into sections_
};
