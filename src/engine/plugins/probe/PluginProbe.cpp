// vexo-plugin-probe PLUGIN FOLDER: loads a decoder plug-in as the player would and has each of its
// decoders open, read and close a small file of its kind made in FOLDER. The player runs this
// before it loads a plug-in itself, so that a plug-in that crashes or hangs costs only this
// process. Exit statuses as in PluginTrial.h; a refusal's reason goes to standard output.
#include "PluginLibrary.h"
#include "PluginTrial.h"
#include "SharedObjectCheck.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kSampleBytes = 4096;
constexpr int kTrialFrames = 256;

int refuse(const std::string& why) {
    std::fputs(why.c_str(), stdout);
    std::fflush(stdout);
    return kProbeRefused;
}

// Why the decoder is unusable on a file of zeros under its first extension, or empty.
std::string tryDecoder(const PluginDecoderEntry& decoder, const std::string& folder) {
    const std::string sample = folder + "/sample" + decoder.extensions.front();
    std::ofstream(sample, std::ios::binary) << std::string(kSampleBytes, '\0');
    const VexoDecoderFunctions& f = decoder.functions;
    VexoDecoderInfo info{};
    void* state = f.open(sample.c_str(), &info);
    if (!state) return {};
    std::string fault = decoderInfoFault(info);
    if (fault.empty()) {
        std::vector<float> out(static_cast<std::size_t>(kTrialFrames) *
                               static_cast<std::size_t>(info.channels));
        if (f.read(state, out.data(), kTrialFrames) > kTrialFrames)
            fault = "its decoder returns more audio than asked";
        if (f.tag)
            for (const char* key : {"title", "artist", "album", "track", "genre", "date", "comment"})
                f.tag(state, key);
        if (f.seek) f.seek(state, 0);
    }
    f.close(state);
    return fault;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    // Nothing the player had open is the plug-in's business.
    ::close_range(3, ~0U, 0);
    const std::string path = argv[1];
    if (const std::string fault = sharedObjectFault(path); !fault.empty()) return refuse(fault);
    const PluginLibrary library = loadPluginLibrary(path);
    if (library.outcome == PluginLibrary::Outcome::NotOurs) return kProbeNotOurs;
    if (library.outcome == PluginLibrary::Outcome::Refused) return refuse(library.fault);
    for (const PluginDecoderEntry& decoder : library.decoders)
        if (const std::string fault = tryDecoder(decoder, argv[2]); !fault.empty()) return refuse(fault);
    return kProbeAccepted;
}
