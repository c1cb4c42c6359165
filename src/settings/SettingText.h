#pragma once
#include <QString>

#include <optional>

// Number texts of the settings file.

// A decimal integer (or "0x" hexadecimal, as hand-edited files sometimes hold), blanks around it
// allowed. Nothing for anything else, including trailing garbage ("12abc") and values beyond int.
std::optional<int> ParseSettingInt(const QString& text);

// The shortest text that reads back as exactly value, with decimalPoint in place of '.'.
// Non-finite values are written as "0": a pan of NaN would reach the mixer.
QString FormatBalans(float value, const QString& decimalPoint);

// Reads a FormatBalans text written with any decimal separator ('.' or ','). Text that does not
// parse, and non-finite values, read as 0.
float ParseBalans(const QString& text);

// The decimal separator the user's locale writes.
QString SystemDecimalPoint();
