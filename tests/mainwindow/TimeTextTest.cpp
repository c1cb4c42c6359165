#include "TimeText.h"

#include <gtest/gtest.h>

TEST(FormatTime, BelowAndAboveOneHour) {
    const std::pair<std::int64_t, const char*> cases[] = {
        {0, "00:00"},       {59, "00:59"},      {206, "03:26"},      {3599, "59:59"},
        {3600, "01:00:00"}, {3725, "01:02:05"}, {36000, "10:00:00"}, {360000, "100:00:00"},
    };
    for (auto [seconds, text] : cases)
        EXPECT_EQ(FormatTime(seconds), QString(text)) << seconds;
}
