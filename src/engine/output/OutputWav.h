#pragma once
// Writes what would be heard to a WAV file: 16-bit PCM, stereo, at the output
// rate. The header is written with zero sizes at open() and patched on close(),
// so a file cut short by a crash still starts like a WAV file.
//
// Samples are converted as x * 32768, rounded and clipped to -32768..32767, the
// inverse of how 16-bit sources are decoded to float, so 16-bit audio passes
// through bit for bit.

#include "PacedOutput.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class OutputWav : public PacedOutput {
  public:
    explicit OutputWav(std::string path, Pacing pacing = Pacing::RealTime);
    ~OutputWav() override;

    int deviceCount() override { return 1; }
    std::string failure() const override;
    const std::string& path() const { return path_; }

  protected:
    bool openSink(int rate) override;
    bool consume(const float* block, int frames) override;
    void closeSink() override;

  private:
    bool writeHeader(std::uint32_t dataBytes);

    const std::string path_;
    std::FILE* file_ = nullptr;
    int rate_ = 0;
    std::uint64_t dataBytes_ = 0;
    std::atomic<int> error_{0}; // errno of the open or write that failed
    std::vector<std::int16_t> pcm_;
    std::vector<char> stdioBuffer_; // given to setvbuf so that writing never allocates
};
