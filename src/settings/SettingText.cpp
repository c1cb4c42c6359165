#include "SettingText.h"

#include <QLocale>

#include <charconv>
#include <cmath>

std::optional<int> ParseSettingInt(const QString& text) {
    const QString trimmed = text.trimmed();
    bool ok = false;
    int value = 0;
    if (trimmed.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        value = trimmed.mid(2).toInt(&ok, 16);
    else
        value = trimmed.toInt(&ok, 10);
    if (!ok) return std::nullopt;
    return value;
}

QString FormatBalans(float value, const QString& decimalPoint) {
    if (!std::isfinite(value)) return QStringLiteral("0");
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    QString text = QString::fromLatin1(buffer, result.ptr - buffer);
    text.replace(QChar('.'), decimalPoint);
    return text;
}

float ParseBalans(const QString& text) {
    QString normal = text.trimmed();
    const QString system = SystemDecimalPoint();
    if (system != QLatin1String(".") && !system.isEmpty()) normal.replace(system, QStringLiteral("."));
    normal.replace(QChar(','), QChar('.'));
    if (normal.startsWith(QChar('+'))) normal.remove(0, 1);
    const QByteArray bytes = normal.toLatin1();
    float value = 0.0f;
    const auto result = std::from_chars(bytes.constData(), bytes.constData() + bytes.size(), value);
    if (result.ec != std::errc() || result.ptr != bytes.constData() + bytes.size() || bytes.isEmpty() ||
        !std::isfinite(value))
        return 0.0f;
    return value;
}

QString SystemDecimalPoint() {
    return QLocale::system().decimalPoint();
}
