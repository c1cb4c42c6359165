#pragma once
#include <QString>
#include <cstdint>

// "mm:ss" below one hour, "hh:mm:ss" from 3600 seconds; hours are not limited to two digits.
QString FormatTime(std::int64_t seconds);
