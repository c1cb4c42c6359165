#include "PluginRegistry.h"

#include "LocalPath.h"
#include "PluginDecoder.h"
#include "PluginTrial.h"
#include "SharedObjectCheck.h"

#include <algorithm>
#include <mutex>

namespace {

// Mapping a plug-in with its libraries and opening a small file takes milliseconds; a plug-in
// still busy after this long would hold up every start.
constexpr std::chrono::milliseconds kTrialLimit{2000};

} // namespace

std::optional<std::string> PluginRegistry::load(const std::string& path) {
    if (std::string fault = sharedObjectFault(path); !fault.empty()) return fault;
    const PluginTrial trial = tryPluginApart(path, kTrialLimit);
    if (trial.outcome == PluginLibrary::Outcome::NotOurs) return std::nullopt;
    if (trial.outcome == PluginLibrary::Outcome::Refused) return trial.fault;
    // Again, in case the file changed since it was tried (still being copied, say).
    if (std::string fault = sharedObjectFault(path); !fault.empty()) return fault;
    PluginLibrary library = loadPluginLibrary(path);
    if (library.outcome == PluginLibrary::Outcome::NotOurs) return std::nullopt;
    if (library.outcome == PluginLibrary::Outcome::Refused) return library.fault;
    std::unique_lock lock(lock_);
    for (PluginDecoderEntry& decoder : library.decoders)
        entries_.push_back(Entry{std::move(decoder)});
    return std::nullopt;
}

std::unique_ptr<Decoder> PluginRegistry::open(const std::string& path, Decoder::Deadline deadline) const {
    const std::string ext = lowerExtension(path);
    if (ext.empty()) return nullptr;
    std::vector<Entry> claiming;
    {
        std::shared_lock lock(lock_);
        for (const Entry& e : entries_) {
            const std::vector<std::string>& extensions = e.decoder.extensions;
            if (std::find(extensions.begin(), extensions.end(), ext) != extensions.end())
                claiming.push_back(e);
        }
    }
    // Opened outside the lock: a plug-in may take its time over a file.
    for (const Entry& e : claiming)
        if (auto decoder = PluginDecoder::open(e.decoder.functions, path, deadline, e.hanging))
            return decoder;
    return nullptr;
}
