#include "SettingsFile.h"

#include "IniFile.h"
#include "SettingsSchema.h"

#include <cerrno>

namespace {

template <class... Handlers> struct Overloaded : Handlers... { using Handlers::operator()...; };

int intOr(const std::optional<QString>& text, const char* defaultText) {
    if (text)
        if (const auto value = ParseSettingInt(*text)) return *value;
    return ParseSettingInt(QString::fromLatin1(defaultText)).value_or(0);
}

void readKey(const SettingKey& key, const std::optional<QString>& text, Settings& settings) {
    std::visit(
        Overloaded{
            [&](QString Settings::*field) { settings.*field = text.value_or(key.defaultText); },
            [&](int Settings::*field) { settings.*field = intOr(text, key.defaultText); },
            [&](bool Settings::*field) { settings.*field = intOr(text, key.defaultText) != 0; },
            [&](float Settings::*field) {
                settings.*field = ParseBalans(text.value_or(QString::fromLatin1(key.defaultText)));
            },
            [&](std::optional<int> Settings::*field) {
                settings.*field = text ? ParseSettingInt(*text) : std::nullopt;
            },
            [&](EqBand band) { settings.eqParams[std::size_t(band.index)] = intOr(text, key.defaultText); },
        },
        key.field);
}

// The text written for a key, or nothing to leave the key as it is.
std::optional<QString> keyText(const SettingKey& key, const Settings& settings, const QString& decimalPoint) {
    if (key.kind == SettingKind::FixedText) return QString::fromLatin1(key.defaultText);
    return std::visit(
        Overloaded{
            [&](QString Settings::*field) -> std::optional<QString> { return settings.*field; },
            [&](int Settings::*field) -> std::optional<QString> { return QString::number(settings.*field); },
            [&](bool Settings::*field) -> std::optional<QString> {
                return QString(settings.*field ? "1" : "0");
            },
            [&](float Settings::*field) -> std::optional<QString> {
                return FormatBalans(settings.*field, decimalPoint);
            },
            [&](std::optional<int> Settings::*field) -> std::optional<QString> {
                if (!(settings.*field)) return std::nullopt;
                return QString::number(*(settings.*field));
            },
            [&](EqBand band) -> std::optional<QString> {
                return QString::number(settings.eqParams[std::size_t(band.index)]);
            },
        },
        key.field);
}

} // namespace

Settings LoadSettings(const QString& path, int* refused) {
    IniFile file(path);
    const int err = file.read(); // an unreadable file reads as empty: every key takes its default
    if (refused) *refused = err;
    Settings settings;
    for (const SettingKey& key : SettingKeys())
        readKey(key, file.value(key.section, key.key), settings);
    return settings;
}

bool SaveSettings(const QString& path, const Settings& settings, const QString& decimalPoint) {
    return WriteSettings(path, settings, decimalPoint) == 0;
}

int WriteSettings(const QString& path, const Settings& settings, const QString& decimalPoint) {
    IniFile file(path);
    if (const int err = file.read()) return err;
    bool written = true;
    for (const SettingKey& key : SettingKeys())
        if (const auto text = keyText(key, settings, decimalPoint))
            written &= file.setValue(key.section, key.key, *text);
    if (const int err = file.write()) return err;
    return written ? 0 : EINVAL;
}
