#include "FitText.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>

#include <algorithm>
#include <vector>

namespace {

// Debian ships Tahoma with Wine's fonts, outside fontconfig's search path, so
// register it ourselves when the system does not know the family.
void ensureTahoma() {
    if (QFontDatabase::families().contains(QStringLiteral("Tahoma"))) return;
    for (const char* file : {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"})
        QFontDatabase::addApplicationFont(QString::fromLatin1(file));
}

// Measuring always uses this one font, not the font rows are painted with, so
// the cut points do not move with the view's font.
const QFontMetrics& measure() {
    static const QFontMetrics metrics = [] {
        ensureTahoma();
        QFont font(QStringLiteral("Tahoma"));
        font.setPixelSize(11); // 8 pt at 96 dpi
        font.setBold(true);
        return QFontMetrics(font);
    }();
    return metrics;
}

bool blank(const QString& text) {
    for (QChar c : text)
        if (c.unicode() > ' ') return false;
    return true;
}

// UTF-16 offsets where each code point starts, so that a cut never splits a
// surrogate pair.
std::vector<qsizetype> codePointStarts(const QString& text) {
    std::vector<qsizetype> starts;
    starts.reserve(size_t(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i)
        if (!text[i].isLowSurrogate() || i == 0 || !text[i - 1].isHighSurrogate()) starts.push_back(i);
    return starts;
}

} // namespace

QString FitText(const QString& text, int maxWidth) {
    if (text.isEmpty() || blank(text)) return text;
    const QFontMetrics& fm = measure();
    const std::vector<qsizetype> starts = codePointStarts(text);
    const auto prefix = [&](size_t chars) {
        return chars >= starts.size() ? text : text.left(starts[chars]);
    };
    const auto fits = [&](size_t chars) { return fm.horizontalAdvance(prefix(chars)) <= maxWidth; };

    size_t chars = starts.size();
    // Lengths reachable by cutting three at a time are chars - 3k, and the last
    // cut starts from 4 or more characters. A hostile tag of a million
    // characters would take a third of a million measurements, each as long as
    // the text; widths grow with length, so search the same lengths from the
    // short end, doubling and then halving, and get the same answer.
    if (chars > 256 && !fits(chars)) {
        const size_t maxCuts = (chars - 4) / 3 + 1;
        const size_t shortest = chars - 3 * maxCuts;
        if (!fits(shortest)) return prefix(shortest);
        size_t good = 0, bad = 1; // steps of 3 above the shortest length
        while (bad < maxCuts && fits(shortest + 3 * bad)) {
            good = bad;
            bad = std::min(bad * 2, maxCuts);
        }
        while (bad - good > 1) {
            const size_t mid = good + (bad - good) / 2;
            (fits(shortest + 3 * mid) ? good : bad) = mid;
        }
        return prefix(shortest + 3 * good) + QStringLiteral("...");
    }

    bool cutAny = false;
    while (chars >= 4 && !fits(chars)) {
        chars -= 3;
        cutAny = true;
    }
    QString result = prefix(chars);
    if (cutAny && fits(chars)) result += QStringLiteral("...");
    return result;
}
