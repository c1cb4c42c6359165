#include "AudioFixtures.h"

#include "ChildProcess.h"
#include "VexoEngine.h"

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

std::string fixtureFolder() {
    static QTemporaryDir dir;
    return dir.path().toStdString();
}

std::string makeAudio(const std::string& name, const std::string& args) {
    const std::string path = fixtureFolder() + "/" + name;
    if (std::ifstream(path).good()) return path;
    std::vector<std::string> arguments{"-y", "-loglevel", "error"};
    for (const QString& a : QProcess::splitCommand(QString::fromStdString(args)))
        arguments.push_back(a.toStdString());
    arguments.push_back(path);
    if (!runToEnd("ffmpeg", arguments, 60000)) {
        std::remove(path.c_str());
        return {};
    }
    return path;
}

std::string toneInput(const std::string& expression, int rate, double seconds, int channels) {
    std::string all = expression;
    for (int c = 1; c < channels; ++c)
        all += "|" + expression;
    std::string args =
        "-f lavfi -i aevalsrc=" + all + ":s=" + std::to_string(rate) + ":d=" + std::to_string(seconds);
    if (channels == 6) args += ":c=5.1";
    return args + " ";
}

std::string makeFile(const std::string& name, const std::string& bytes) {
    const std::string path = fixtureFolder() + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

namespace {

template <class T> T readLe(const char* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

} // namespace

Pcm readWav(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Pcm pcm;
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) return pcm;
    int format = 0, bits = 0;
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        const std::string id = bytes.substr(at, 4);
        auto size = static_cast<std::size_t>(readLe<std::uint32_t>(bytes.data() + at + 4));
        const char* body = bytes.data() + at + 8;
        if (id == "fmt ") {
            format = readLe<std::uint16_t>(body);
            pcm.channels = readLe<std::uint16_t>(body + 2);
            pcm.rate = static_cast<int>(readLe<std::uint32_t>(body + 4));
            bits = readLe<std::uint16_t>(body + 14);
        } else if (id == "data") {
            // A header left unpatched says 0: take the rest of the file.
            if (size == 0 || at + 8 + size > bytes.size()) size = bytes.size() - at - 8;
            if (format == 1 && bits == 16) {
                for (std::size_t i = 0; i + 2 <= size; i += 2)
                    pcm.samples.push_back(readLe<std::int16_t>(body + i) / 32768.0f);
            } else if (format == 3 && bits == 32) {
                for (std::size_t i = 0; i + 4 <= size; i += 4)
                    pcm.samples.push_back(readLe<float>(body + i));
            }
            break;
        }
        at += 8 + size + (size & 1);
    }
    return pcm;
}

double toneAmplitude(const Pcm& pcm, int channel, double hz, int first, int count) {
    const double w = 2.0 * M_PI * hz / pcm.rate;
    const double coeff = 2.0 * std::cos(w);
    double s1 = 0, s2 = 0;
    for (int i = 0; i < count; ++i) {
        const double s0 = pcm.at(first + i, channel) + coeff * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    const double power = s1 * s1 + s2 * s2 - coeff * s1 * s2;
    return 2.0 * std::sqrt(std::max(power, 0.0)) / count;
}

std::pair<int, int> soundingSpan(const Pcm& pcm) {
    int first = -1, last = -1;
    for (int f = 0; f < pcm.frames(); ++f) {
        bool sounding = false;
        for (int c = 0; c < pcm.channels; ++c)
            sounding = sounding || pcm.at(f, c) != 0.0f;
        if (!sounding) continue;
        if (first < 0) first = f;
        last = f;
    }
    return first < 0 ? std::pair{0, 0} : std::pair{first, last + 1};
}

bool waitFor(const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

Pcm playAndRecord(const std::string& path, const std::function<void(VexoEngine&, unsigned)>& setup) {
    static int serial = 0;
    const std::string out = fixtureFolder() + "/recorded" + std::to_string(++serial) + ".wav";
    setenv("VEXO_AUDIO", ("wav:" + out).c_str(), 1);
    {
        VexoEngine engine;
        if (!engine.openOutput(44100)) return {};
        const StreamHandle h = engine.Create(path);
        if (!h) return {};
        std::atomic<bool> ended{false};
        engine.notifyAtEnd(h, [&ended](EndReason) { ended = true; });
        if (setup) setup(engine, h);
        engine.Play(h);
        if (!waitFor([&] { return ended.load(); }, 20000)) return {};
        // The end sync comes when the last frame was handed over; let the
        // output write it before closing.
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        engine.closeOutput();
    }
    return readWav(out);
}

std::string withItunesGaplessInfo(const std::string& path, int priming, int samples) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto sizeAt = [&](std::size_t at) {
        return static_cast<std::size_t>(__builtin_bswap32(readLe<std::uint32_t>(bytes.data() + at)));
    };
    auto box = [](const char* type, const std::string& body) {
        const std::uint32_t size = __builtin_bswap32(static_cast<std::uint32_t>(8 + body.size()));
        return std::string(reinterpret_cast<const char*>(&size), 4) + type + body;
    };
    // moov, udta, meta (a full box: four bytes before its children), ilst.
    std::vector<std::size_t> parents;
    std::size_t at = 0, end = bytes.size();
    for (const char* type : {"moov", "udta", "meta", "ilst"}) {
        while (at + 8 <= end && bytes.compare(at + 4, 4, type) != 0)
            at += sizeAt(at);
        if (at + 8 > end) return {};
        parents.push_back(at);
        end = at + sizeAt(at);
        at += std::string_view(type) == "meta" ? 12 : 8;
    }
    char text[128];
    std::snprintf(text, sizeof text, " 00000000 %08X 00000000 %016X 00000000", priming, samples);
    const std::string zero(4, '\0');
    const std::string item =
        box("----", box("mean", zero + "com.apple.iTunes") + box("name", zero + "iTunSMPB") +
                        box("data", std::string("\0\0\0\1", 4) + zero + text));
    bytes.insert(end, item);
    for (const std::size_t parent : parents) {
        const std::uint32_t size =
            __builtin_bswap32(static_cast<std::uint32_t>(sizeAt(parent) + item.size()));
        bytes.replace(parent, 4, reinterpret_cast<const char*>(&size), 4);
    }
    return makeFile("itunes-" + path.substr(path.rfind('/') + 1), bytes);
}
