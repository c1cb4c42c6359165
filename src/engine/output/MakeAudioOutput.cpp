#include "AlsaModule.h"
#include "AudioOutput.h"
#include "OutputNull.h"
#include "OutputPulse.h"
#include "OutputWav.h"

namespace {

bool startsWith(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

std::unique_ptr<AudioOutput> makeAudioOutput(const std::string& name) {
    if (name == "auto" || name.empty()) return makeAudioOutput(chooseAudioOutput(name).name);
    if (name == "pulse") return std::make_unique<OutputPulse>();
    if (name == "alsa") return makeAlsaOutput();
    if (name == "null") return std::make_unique<OutputNull>();
    if (name == "null:unpaced")
        return std::make_unique<OutputNull>(OutputNull::Settings{PacedOutput::Pacing::Unpaced});
    const std::string wav = "wav:";
    const std::string wavUnpaced = "wav-unpaced:";
    if (startsWith(name, wav) && name.size() > wav.size())
        return std::make_unique<OutputWav>(name.substr(wav.size()));
    if (startsWith(name, wavUnpaced) && name.size() > wavUnpaced.size())
        return std::make_unique<OutputWav>(name.substr(wavUnpaced.size()), PacedOutput::Pacing::Unpaced);
    return nullptr;
}

OutputChoice chooseAudioOutput(const std::string& name) {
    if (name != "auto" && !name.empty()) return {name};
    if (const int devices = OutputPulse().deviceCount(); devices > 0) return {"pulse", devices};
    if (const auto alsa = makeAlsaOutput())
        if (const int devices = alsa->deviceCount(); devices > 0) return {"alsa", devices};
    // Neither answers: an output that reports no device, so the player
    // shows its "no sound device" message rather than failing oddly.
    return {"pulse", 0};
}
