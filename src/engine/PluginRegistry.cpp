#include "PluginRegistry.h"

#include "LocalPath.h"
#include "PluginDecoder.h"

#include <dlfcn.h>

#include <algorithm>
#include <iterator>
#include <mutex>
#include <sstream>

int PluginRegistry::registerDecoder(void* context, const char* extensions,
                                    const VexoDecoderFunctions* functions) {
    auto* added = static_cast<std::vector<Entry>*>(context);
    if (!added || !extensions || !functions || !functions->open || !functions->read || !functions->close)
        return 0;
    Entry entry{{}, *functions};
    std::istringstream words(extensions);
    for (std::string word; words >> word;) {
        if (word.size() < 2 || word[0] != '.') continue;
        entry.extensions.push_back(lowerExtension(word));
    }
    if (entry.extensions.empty()) return 0;
    added->push_back(std::move(entry));
    return 1;
}

bool PluginRegistry::load(const std::string& path) {
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) return false;
    auto entry = reinterpret_cast<VexoPluginRegisterFn>(dlsym(library, VEXO_PLUGIN_ENTRY_POINT));
    std::vector<Entry> added;
    const VexoPluginHost host{VEXO_PLUGIN_API_VERSION, &added, &PluginRegistry::registerDecoder};
    if (!entry || entry(&host) == 0 || added.empty()) {
        dlclose(library);
        return false;
    }
    std::unique_lock lock(lock_);
    entries_.insert(entries_.end(), std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
    return true;
}

std::unique_ptr<Decoder> PluginRegistry::open(const std::string& path) const {
    const std::string ext = lowerExtension(path);
    if (ext.empty()) return nullptr;
    std::vector<VexoDecoderFunctions> claiming;
    {
        std::shared_lock lock(lock_);
        for (const Entry& e : entries_)
            if (std::find(e.extensions.begin(), e.extensions.end(), ext) != e.extensions.end())
                claiming.push_back(e.functions);
    }
    // Opened outside the lock: a plug-in may take its time over a file.
    for (const VexoDecoderFunctions& functions : claiming)
        if (auto decoder = PluginDecoder::open(functions, path)) return decoder;
    return nullptr;
}
