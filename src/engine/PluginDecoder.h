#pragma once
// A decoder offered by a plug-in (see VexoPlugin.h), resampled and mixed to
// stereo like any other. What the plug-in reports is checked, never trusted.

#include "Decoder.h"
#include "Resampler.h"
#include "VexoPlugin.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

class PluginDecoder : public Decoder {
  public:
    // nullptr when the plug-in does not open the file, reports nonsense or has not opened it by
    // the deadline. The plug-in's open runs on a thread of its own, so that one that hangs keeps
    // only that thread; it is closed when it returns. `hanging` counts such opens: while one
    // hangs, this decoder is not asked again.
    static std::unique_ptr<PluginDecoder> open(const VexoDecoderFunctions& functions, const std::string& path,
                                               Deadline deadline, std::shared_ptr<std::atomic<int>> hanging);
    ~PluginDecoder() override;

    const StreamFacts& facts() const override { return facts_; }
    bool start(int outputRate) override;
    int read(float* stereo, int frames) override;
    bool seek(std::int64_t sourceFrame) override;
    bool failed() const override { return failed_; }

  private:
    PluginDecoder(const VexoDecoderFunctions& functions, void* state)
        : functions_(functions), state_(state) {}

    VexoDecoderFunctions functions_;
    void* state_;
    StreamFacts facts_;
    Resampler resampler_;
    std::vector<float> piece_;
    bool ended_ = false;
    bool failed_ = false;
};
