#include "SettingText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

TEST(SettingText, IntegersParseOnlyWhenTheWholeTextIsANumber) {
    const std::pair<const char*, std::optional<int>> cases[] = {
        {"268", 268},          {" -50 ", -50},         {"+7", 7},
        {"0x0000FF", 255},     {"0XdB5A0d", 14375437}, {"-2147483648", -2147483647 - 1},
        {"", std::nullopt},    {"abc", std::nullopt},  {"12abc", std::nullopt},
        {"1 2", std::nullopt}, {"1.5", std::nullopt},  {"2147483648", std::nullopt},
        {"0x", std::nullopt},
    };
    for (auto [text, expected] : cases)
        EXPECT_EQ(ParseSettingInt(text), expected) << text;
}

TEST(SettingText, BalansTextInEitherSeparator) {
    const std::tuple<float, const char*, const char*> written[] = {
        {0.0f, ".", "0"},   {0.5f, ",", "0,5"},   {-0.25f, ".", "-0.25"},
        {0.1f, ",", "0,1"}, {-1.0f, ",", "-1"},   {0.123456789f, ".", "0.12345679"},
        {NAN, ".", "0"},    {INFINITY, ",", "0"},
    };
    for (auto [value, point, text] : written)
        EXPECT_EQ(FormatBalans(value, point), QString(text)) << value;

    const std::pair<const char*, float> read[] = {
        {"0,5", 0.5f}, {"0.5", 0.5f},  {" -0,25 ", -0.25f}, {"+1", 1.0f},    {"1e-05", 1e-05f}, {"", 0.0f},
        {"abc", 0.0f}, {"0.5x", 0.0f}, {"nan", 0.0f},       {"1e999", 0.0f}, {"0,5,5", 0.0f},
    };
    for (auto [text, expected] : read)
        EXPECT_EQ(ParseBalans(text), expected) << text;
}

TEST(SettingText, EveryPanReadsBackExactly) {
    std::mt19937 random(11);
    std::uniform_real_distribution<float> pan(-1.0f, 1.0f);
    for (int i = 0; i < 20000; ++i) {
        const float value = pan(random);
        for (const char* point : {".", ","})
            ASSERT_EQ(ParseBalans(FormatBalans(value, point)), value) << value;
    }
}
