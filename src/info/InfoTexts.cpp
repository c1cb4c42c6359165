#include "InfoTexts.h"

#include <array>
#include <utility>

QString CodecLabel(const QByteArray& path) {
    static constexpr std::array<std::pair<const char*, const char*>, 21> kLabels{{
        {".mp3", "MP3"}, {".wav", "WAV"}, {".mp1", "MPX"}, {".mp2", "MPX"}, {".ogg", "OGG"},
        {".aif", "AIF"}, {".wma", "WMA"}, {".wv", "WV"},   {".tta", "TTA"}, {".spx", "SPX"},
        {".mpc", "MPC"}, {".mp+", "MP+"}, {".mpp", "MPP"}, {".oga", "OGA"}, {".flac", "FLAC"},
        {".ape", "APE"}, {".mac", "MAC"}, {".m4a", "M4A"}, {".ac3", "AC3"}, {".mp4", "MP4"},
        {".aac", "AAC"},
    }};
    const qsizetype dot = path.lastIndexOf('.');
    if (dot < 0) return {};
    const QByteArray extension = path.mid(dot).toLower();
    for (const auto& [ext, label] : kLabels)
        if (extension == ext) return QString::fromLatin1(label);
    return {};
}

QString BitrateText(std::uint32_t kbps) {
    return QString::number(kbps) + QStringLiteral(" kbps");
}

QString FrequencyText(std::optional<int> sampleRateHz) {
    if (!sampleRateHz || *sampleRateHz <= 0) return QStringLiteral("-- KHz");
    // Whole numbers, so that a half is exactly a half.
    int khz = *sampleRateHz / 1000;
    const int rest = *sampleRateHz % 1000;
    if (rest > 500 || (rest == 500 && khz % 2 == 1)) ++khz;
    return QString::number(khz) + QStringLiteral(" KHz");
}
