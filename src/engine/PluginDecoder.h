#pragma once
// A decoder offered by a plug-in (see VexoPlugin.h), resampled and mixed to
// stereo like any other.

#include "Decoder.h"
#include "Resampler.h"
#include "VexoPlugin.h"

#include <memory>
#include <string>
#include <vector>

class PluginDecoder : public Decoder {
  public:
    // nullptr when the plug-in does not open the file or reports nonsense.
    static std::unique_ptr<PluginDecoder> open(const VexoDecoderFunctions& functions,
                                               const std::string& path);
    ~PluginDecoder() override;

    const StreamFacts& facts() const override { return facts_; }
    bool start(int outputRate) override;
    int read(float* stereo, int frames) override;
    bool seek(std::int64_t sourceFrame) override;

  private:
    PluginDecoder(const VexoDecoderFunctions& functions, void* state)
        : functions_(functions), state_(state) {}

    VexoDecoderFunctions functions_;
    void* state_;
    StreamFacts facts_;
    Resampler resampler_;
    std::vector<float> piece_;
    bool ended_ = false;
};
