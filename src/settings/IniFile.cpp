#include "IniFile.h"

#include "FileReplace.h"

#include <QFile>
#include <QScopeGuard>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const QByteArray kByteOrderMark("\xEF\xBB\xBF");

// The name of a "[Name]" line (up to the first "]", or the rest of the line when there is none).
QString sectionName(const QByteArray& trimmedHeader) {
    QByteArray name = trimmedHeader.mid(1);
    const qsizetype close = name.indexOf(']');
    if (close >= 0) name.truncate(close);
    return QString::fromUtf8(name).trimmed();
}

// The key of a "key=value" line, or an empty string for comments, blank lines and garbage.
QString keyOf(const QByteArray& raw) {
    const QByteArray trimmed = raw.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith(';')) return {};
    const qsizetype equals = trimmed.indexOf('=');
    if (equals <= 0) return {};
    return QString::fromUtf8(trimmed.left(equals)).trimmed();
}

bool hasLineBreak(const QString& text) {
    return text.contains(QChar('\n')) || text.contains(QChar('\r'));
}

} // namespace

IniFile::IniFile(QString path) : path_(std::move(path)) {
    clear();
}

QString IniFile::fold(const QString& name) {
    return name.trimmed().toCaseFolded();
}

void IniFile::clear() {
    byteOrderMark_ = false;
    sections_.assign(1, Section{});
    firstSection_.clear();
}

int IniFile::read() {
    clear();
    // Without O_NONBLOCK a named pipe would hold open() until a writer came.
    const int fd = ::open(QFile::encodeName(path_).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? 0 : errno;
    const auto closeFile = qScopeGuard([fd] { ::close(fd); });
    struct stat st {};
    if (::fstat(fd, &st) != 0) return errno;
    if (S_ISDIR(st.st_mode)) return EISDIR;
    if (!S_ISREG(st.st_mode)) return kNotRegularFile;
    if (st.st_size > kMaxFileBytes) return EFBIG;
    // Room for what the file holds, read in pieces up to past the limit: the file may have grown
    // since its size was taken.
    QByteArray bytes;
    bytes.reserve(qsizetype(st.st_size));
    std::vector<char> piece(64 * 1024);
    while (bytes.size() <= kMaxFileBytes) {
        const ssize_t n = ::read(fd, piece.data(), piece.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) break;
        bytes.append(piece.data(), n);
    }
    if (bytes.size() > kMaxFileBytes) return EFBIG;
    if (!parse(bytes)) {
        clear();
        return EFBIG;
    }
    return 0;
}

bool IniFile::parse(const QByteArray& bytes) {
    QByteArrayView rest(bytes);
    if (rest.startsWith(kByteOrderMark)) {
        byteOrderMark_ = true;
        rest = rest.sliced(kByteOrderMark.size());
    }
    qsizetype lines = 0;
    while (!rest.isEmpty()) {
        if (++lines > kMaxLines) return false;
        const qsizetype newline = rest.indexOf('\n');
        QByteArrayView line = newline < 0 ? rest : rest.first(newline);
        rest = newline < 0 ? QByteArrayView() : rest.sliced(newline + 1);
        if (line.endsWith('\r')) line.chop(1);
        const QByteArray raw = line.toByteArray();
        const QByteArray trimmed = raw.trimmed();
        if (trimmed.startsWith('[')) {
            const QString name = fold(sectionName(trimmed));
            if (!firstSection_.contains(name)) firstSection_.insert(name, int(sections_.size()));
            sections_.push_back(Section{raw, {}, {}});
        } else {
            addLine(sections_.back(), raw);
        }
    }
    return true;
}

void IniFile::addLine(Section& section, QByteArray raw) {
    const QString key = fold(keyOf(raw));
    if (!key.isEmpty() && !section.firstKey.contains(key))
        section.firstKey.insert(key, int(section.lines.size()));
    section.lines.push_back(Line{std::move(raw), key});
}

const IniFile::Section* IniFile::findSection(const QString& name) const {
    const auto it = firstSection_.constFind(fold(name));
    return it == firstSection_.constEnd() ? nullptr : &sections_[std::size_t(*it)];
}

std::optional<QString> IniFile::value(const QString& section, const QString& key) const {
    const Section* found = findSection(section);
    if (!found) return std::nullopt;
    const auto it = found->firstKey.constFind(fold(key));
    if (it == found->firstKey.constEnd()) return std::nullopt;
    const QByteArray& raw = found->lines[std::size_t(*it)].raw;
    return QString::fromUtf8(raw.mid(raw.indexOf('=') + 1)).trimmed();
}

QString IniFile::value(const QString& section, const QString& key, const QString& defaultValue) const {
    return value(section, key).value_or(defaultValue);
}

bool IniFile::setValue(const QString& section, const QString& key, const QString& value) {
    const QString sectionTrimmed = section.trimmed(), keyTrimmed = key.trimmed();
    if (sectionTrimmed.isEmpty() || keyTrimmed.isEmpty() || hasLineBreak(section) || hasLineBreak(key) ||
        hasLineBreak(value) || sectionTrimmed.contains(QChar(']')) || keyTrimmed.contains(QChar('=')) ||
        keyTrimmed.startsWith(QChar('[')) || keyTrimmed.startsWith(QChar(';')))
        return false;
    const QByteArray valueBytes = value.trimmed().toUtf8();

    const auto sectionIt = firstSection_.constFind(fold(sectionTrimmed));
    if (sectionIt == firstSection_.constEnd()) {
        firstSection_.insert(fold(sectionTrimmed), int(sections_.size()));
        sections_.push_back(Section{'[' + sectionTrimmed.toUtf8() + ']', {}, {}});
        addLine(sections_.back(), keyTrimmed.toUtf8() + '=' + valueBytes);
        return true;
    }
    Section& target = sections_[std::size_t(*sectionIt)];
    const QString folded = fold(keyTrimmed);
    if (const auto keyIt = target.firstKey.constFind(folded); keyIt != target.firstKey.constEnd()) {
        // The key keeps the spelling it has in the file.
        QByteArray& raw = target.lines[std::size_t(*keyIt)].raw;
        raw = raw.left(raw.indexOf('=')).trimmed() + '=' + valueBytes;
        return true;
    }
    // After the section's last key, or after its last non-blank line when it has no key, so that the
    // blank lines and comments that lead into the next section stay in front of it.
    std::size_t at = 0;
    for (std::size_t i = target.lines.size(); i > 0; --i) {
        if (!target.lines[i - 1].key.isEmpty()) {
            at = i;
            break;
        }
        if (at == 0 && !target.lines[i - 1].raw.trimmed().isEmpty()) at = i;
    }
    for (auto& index : target.firstKey)
        if (std::size_t(index) >= at) ++index;
    target.firstKey.insert(folded, int(at));
    target.lines.insert(target.lines.begin() + std::ptrdiff_t(at),
                        Line{keyTrimmed.toUtf8() + '=' + valueBytes, folded});
    return true;
}

QByteArray IniFile::toBytes() const {
    QByteArray bytes;
    if (byteOrderMark_) bytes += kByteOrderMark;
    for (const Section& section : sections_) {
        if (!section.header.isEmpty()) bytes += section.header + "\r\n";
        for (const Line& line : section.lines)
            bytes += line.raw + "\r\n";
    }
    return bytes;
}

int IniFile::write() const {
    return ReplaceFileContents(QFile::encodeName(path_), toBytes());
}
