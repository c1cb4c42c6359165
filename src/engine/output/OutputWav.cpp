#include "OutputWav.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kChannels = 2;
constexpr int kBytesPerSample = 2;
constexpr int kHeaderBytes = 44;
// RIFF sizes are 32-bit: past this the file stops growing but the header stays
// valid, rather than wrapping to a small size that would hide the audio.
constexpr std::uint64_t kMaxDataBytes = 0xFFFFFFFFull - kHeaderBytes;
constexpr std::size_t kStdioBufferBytes = 64 * 1024;

void putLe(unsigned char* p, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

std::int16_t toPcm16(float x) {
    // NaN must not reach lrint's undefined conversion.
    if (!(x == x)) return 0;
    const float scaled = std::clamp(x * 32768.0f, -32768.0f, 32767.0f);
    return static_cast<std::int16_t>(std::lrint(scaled));
}

} // namespace

OutputWav::OutputWav(std::string path, Pacing pacing) : PacedOutput(pacing), path_(std::move(path)) {}

OutputWav::~OutputWav() {
    close();
}

std::string OutputWav::failure() const {
    const int error = error_.load(std::memory_order_acquire);
    if (error == 0) return {};
    return "cannot write the recording \"" + path_ + "\": " + std::strerror(error);
}

bool OutputWav::openSink(int rate) {
    error_.store(0, std::memory_order_release);
    file_ = std::fopen(path_.c_str(), "wb");
    if (!file_) {
        error_.store(errno ? errno : EIO, std::memory_order_release);
        return false;
    }
    stdioBuffer_.resize(kStdioBufferBytes);
    std::setvbuf(file_, stdioBuffer_.data(), _IOFBF, stdioBuffer_.size());
    rate_ = rate;
    dataBytes_ = 0;
    // Large enough for any block of PacedOutput (at most 100 ms at 384 kHz).
    pcm_.assign(static_cast<std::size_t>(kChannels) * (rate / 10 + 1), 0);
    if (!writeHeader(0)) {
        error_.store(errno ? errno : EIO, std::memory_order_release);
        closeSink();
        return false;
    }
    return true;
}

bool OutputWav::consume(const float* block, int frames) {
    const int samples = frames * kChannels;
    for (int i = 0; i < samples; ++i)
        pcm_[i] = toPcm16(block[i]);
    const std::uint64_t bytes = std::uint64_t(samples) * kBytesPerSample;
    if (dataBytes_ + bytes > kMaxDataBytes) return true;
    // The data chunk is little-endian, as is every machine we build for.
    if (std::fwrite(pcm_.data(), 1, bytes, file_) != bytes) {
        error_.store(errno ? errno : EIO, std::memory_order_release);
        return false;
    }
    dataBytes_ += bytes;
    return true;
}

void OutputWav::closeSink() {
    if (!file_) return;
    // After a failed write (disk full) the file may hold more or less than
    // was counted; the header must describe whole frames that are really there.
    std::fflush(file_);
    struct stat st {};
    if (::fstat(::fileno(file_), &st) == 0 && S_ISREG(st.st_mode)) {
        const std::uint64_t onDisk = st.st_size > kHeaderBytes ? std::uint64_t(st.st_size) - kHeaderBytes : 0;
        const std::uint64_t frameBytes = kChannels * kBytesPerSample;
        dataBytes_ = std::min(dataBytes_, onDisk - onDisk % frameBytes);
        if (onDisk != dataBytes_ && ::ftruncate(::fileno(file_), off_t(kHeaderBytes + dataBytes_)) != 0)
            dataBytes_ = 0;
    }
    writeHeader(static_cast<std::uint32_t>(dataBytes_));
    std::fclose(file_);
    file_ = nullptr;
}

bool OutputWav::writeHeader(std::uint32_t dataBytes) {
    unsigned char h[kHeaderBytes];
    std::memcpy(h, "RIFF", 4);
    putLe(h + 4, 36 + dataBytes, 4);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    putLe(h + 16, 16, 4); // fmt chunk size
    putLe(h + 20, 1, 2);  // PCM
    putLe(h + 22, kChannels, 2);
    putLe(h + 24, static_cast<std::uint32_t>(rate_), 4);
    putLe(h + 28, static_cast<std::uint32_t>(rate_ * kChannels * kBytesPerSample), 4); // bytes per second
    putLe(h + 32, kChannels * kBytesPerSample, 2);                                     // block align
    putLe(h + 34, 16, 2);                                                              // bits per sample
    std::memcpy(h + 36, "data", 4);
    putLe(h + 40, dataBytes, 4);
    return std::fseek(file_, 0, SEEK_SET) == 0 && std::fwrite(h, 1, sizeof h, file_) == sizeof h &&
           std::fflush(file_) == 0 && std::fseek(file_, 0, SEEK_END) == 0;
}
