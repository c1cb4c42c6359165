#pragma once
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

// The codec's short name, by the path's extension (the text from its last full stop on, in any
// case); empty for an extension the player does not name, and for a path without one.
QString CodecLabel(const QByteArray& path);

// The bit rate as the information window writes it: "320 kbps".
QString BitrateText(std::uint32_t kbps);

// The sample rate in whole kilohertz, a half going to the even neighbour: 44100 gives "44 KHz",
// 22500 gives "22 KHz". Without a stream there is no rate, and the text says so without a number.
QString FrequencyText(std::optional<int> sampleRateHz);
