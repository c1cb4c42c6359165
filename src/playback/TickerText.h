#pragma once
#include <QByteArray>
#include <QString>
#include <optional>
#include <string>

// The title line of a starting track: "Artist - Title", or the artist alone, or, without a usable
// artist, the file name without folder and extension. Taggers fill empty fields with " ", "-" or
// " - "; those count as missing.
QString BuildTickerText(const std::optional<std::string>& artist, const std::optional<std::string>& title,
                        const QByteArray& path);
