#include "TimeText.h"

QString FormatTime(std::int64_t seconds) {
    const std::int64_t h = seconds / 3600, r = seconds % 3600, m = r / 60, s = r % 60;
    const auto two = [](std::int64_t v) { return QString::number(v).rightJustified(2, '0'); };
    return h != 0 ? two(h) + ':' + two(m) + ':' + two(s) : two(m) + ':' + two(s);
}
