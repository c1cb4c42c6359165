#pragma once
#include "SettingText.h"
#include "Settings.h"

#include <QString>

// Reads every key of the settings file at path. A missing or unreadable file, section or key gives
// that key's default; malformed numbers give the default too (Balans reads 0, as its owner expects
// of an unreadable pan). Never fails; when the file is there but was refused (see IniFile::read),
// refused is set to why, else to 0.
Settings LoadSettings(const QString& path, int* refused = nullptr);

// Writes every key into the settings file at path, keeping the file's other lines, creating it
// (sections and keys in their table order) when it does not exist. A file that cannot be read as
// settings (too large, no regular file, unreadable) is never written over: the user's lines in it
// would be lost. Version is always written as
// the program's own. A playListTop or scale without a value leaves that key as it was. Balans is written
// with decimalPoint. The file is replaced atomically; false when it could not be written.
bool SaveSettings(const QString& path, const Settings& settings,
                  const QString& decimalPoint = SystemDecimalPoint());

// As SaveSettings, giving the errno value of what failed (EINVAL for a value that could not be
// written, the read's reason for a refused file), or 0, so that the failure can be told to the
// user with its reason.
int WriteSettings(const QString& path, const Settings& settings,
                  const QString& decimalPoint = SystemDecimalPoint());
