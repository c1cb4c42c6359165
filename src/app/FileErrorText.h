#pragma once
#include "FileError.h"

#include <QString>

// A failed file as the boxes tell it: Cannot open file "NAME". REASON
QString FileErrorText(const FileError& error);
// Of a failure; empty for a success.
QString FileErrorText(const FileResult& result);
