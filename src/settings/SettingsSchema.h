#pragma once
#include "Settings.h"

#include <span>
#include <variant>

// How a key's text is read and written.
enum class SettingKind {
    Int,       // decimal integer; text that does not parse gives the default
    Bool,      // "1" / "0"; any integer other than 0 reads as true
    FloatText, // decimal fraction with the system's decimal separator; text that does not parse reads 0
    FixedText, // always written as its default text, read as it stands
};

// The field of Settings a key fills. An EqBand names one of the eleven equalizer bands.
struct EqBand {
    int index;
};
using SettingField = std::variant<QString Settings::*, int Settings::*, bool Settings::*, float Settings::*,
                                  std::optional<int> Settings::*, EqBand>;

struct SettingKey {
    const char* section;
    const char* key;
    const char* defaultText; // nullptr: the caller computes the default from the window layout
    SettingKind kind;
    SettingField field;
};

// Every key of the settings file, in the order it is written; a new file gets its sections in the
// order of their first key here.
std::span<const SettingKey> SettingKeys();
