#include "TickerText.h"

#include "PathRules.h"

#include <QFile>

namespace {
bool present(const std::optional<std::string>& tag) {
    return tag && *tag != " " && *tag != "-" && *tag != " - ";
}
} // namespace

QString BuildTickerText(const std::optional<std::string>& artist, const std::optional<std::string>& title,
                        const QByteArray& path) {
    QString text;
    if (present(artist)) text = QString::fromStdString(*artist);
    if (!text.isEmpty() && present(title)) text += QStringLiteral(" - ") + QString::fromStdString(*title);
    if (text.isEmpty()) text = QFile::decodeName(FileNameStem(path));
    return text;
}
