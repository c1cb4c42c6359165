#include "PathRules.h"

#include <array>
#include <string_view>

namespace {

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

qsizetype extensionStart(const QByteArray& path) {
    const qsizetype dot = path.lastIndexOf('.');
    return dot > path.lastIndexOf('/') ? dot : -1;
}

// Length of the UTF-8 sequence starting at i; stray bytes count as one
// character so that names in other encodings still match '?' byte by byte.
qsizetype charLength(const QByteArray& s, qsizetype i) {
    qsizetype n = 1;
    if (static_cast<unsigned char>(s[i]) >= 0xC0)
        while (i + n < s.size() && (static_cast<unsigned char>(s[i + n]) & 0xC0) == 0x80)
            ++n;
    return n;
}

} // namespace

QByteArray PathExtension(const QByteArray& path) {
    const qsizetype dot = extensionStart(path);
    if (dot < 0) return {};
    QByteArray ext = path.mid(dot);
    for (char& c : ext)
        c = asciiLower(c);
    return ext;
}

bool IsAudioExtension(const QByteArray& lowerExtension) {
    static constexpr std::array<std::string_view, 19> audio = {
        ".mp3", ".wav", ".wma", ".ogg",  ".oga", ".mp1", ".mp2", ".mp4", ".aif", ".wv",
        ".tta", ".spx", ".mpc", ".flac", ".ape", ".mac", ".m4a", ".ac3", ".aac"};
    const std::string_view ext(lowerExtension.constData(), size_t(lowerExtension.size()));
    for (std::string_view a : audio)
        if (a == ext) return true;
    return false;
}

QByteArray FileNameStem(const QByteArray& path) {
    const qsizetype dot = extensionStart(path);
    const QByteArray withoutExt = dot < 0 ? path : path.left(dot);
    return withoutExt.mid(withoutExt.lastIndexOf('/') + 1);
}

bool MatchesMask(const QByteArray& name, const QByteArray& mask) {
    // Iterative matcher with one backtrack point: linear-ish and without
    // recursion, so hostile masks or names cannot blow the stack.
    qsizetype n = 0, m = 0, starMask = -1, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
        } else if (m < mask.size() && mask[m] == '?') {
            n += charLength(name, n);
            ++m;
        } else if (m < mask.size() && asciiLower(mask[m]) == asciiLower(name[n])) {
            ++n;
            ++m;
        } else if (starMask >= 0) {
            m = starMask + 1;
            n = starName += charLength(name, starName);
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}
