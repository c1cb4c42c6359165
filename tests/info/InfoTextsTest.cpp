#include "InfoTexts.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

TEST(InfoTexts, CodecByExtensionAndRateRoundedHalfToEven) {
    const std::pair<const char*, const char*> codecs[] = {
        {"/m/a.mp3", "MP3"},   {"/m/A.FLAC", "FLAC"},
        {"/m/a.mp1", "MPX"},   {"/m/a.mp2", "MPX"},
        {"/m/a.Mp+", "MP+"},   {"/m/a.wv", "WV"},
        {"/m/a.m4a", "M4A"},   {"/m/a.aac", "AAC"},
        {"/m/a.b.ogg", "OGG"}, {"/m/a.mp33", ""},
        {"/m/noext", ""},      {"/m.mp3/noext", ""},
        {"/m/a.opus", ""},     {"", ""},
    };
    for (const auto& [path, label] : codecs)
        EXPECT_EQ(CodecLabel(path), QString::fromLatin1(label)) << path;

    const std::pair<int, const char*> rates[] = {
        {44100, "44 KHz"}, {22050, "22 KHz"}, {22500, "22 KHz"}, {23500, "24 KHz"},
        {44500, "44 KHz"}, {48000, "48 KHz"}, {11025, "11 KHz"}, {499, "0 KHz"},
    };
    for (const auto& [hz, text] : rates)
        EXPECT_EQ(FrequencyText(hz), QString::fromLatin1(text)) << hz;
    // Without a stream the rate is not a number the user could take for one.
    EXPECT_FALSE(FrequencyText(std::nullopt).contains(QRegularExpression("[0-9]")));
    EXPECT_EQ(BitrateText(320), QStringLiteral("320 kbps"));
}
