#include "PluginRegistry.h"

#include "LocalPath.h"
#include "PluginDecoder.h"

#include <dlfcn.h>

#include <algorithm>
#include <sstream>

int PluginRegistry::registerDecoder(void* context, const char* extensions,
                                    const VexoDecoderFunctions* functions) {
    auto* self = static_cast<PluginRegistry*>(context);
    if (!self || !extensions || !functions || !functions->open || !functions->read || !functions->close)
        return 0;
    Entry entry{{}, *functions};
    std::istringstream words(extensions);
    for (std::string word; words >> word;) {
        if (word.size() < 2 || word[0] != '.') continue;
        entry.extensions.push_back(lowerExtension(word));
    }
    if (entry.extensions.empty()) return 0;
    self->entries_.push_back(std::move(entry));
    return 1;
}

bool PluginRegistry::load(const std::string& path) {
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) return false;
    auto entry = reinterpret_cast<VexoPluginRegisterFn>(dlsym(library, VEXO_PLUGIN_ENTRY_POINT));
    const std::size_t before = entries_.size();
    const VexoPluginHost host{VEXO_PLUGIN_API_VERSION, this, &PluginRegistry::registerDecoder};
    if (!entry || entry(&host) == 0 || entries_.size() == before) {
        entries_.resize(before);
        dlclose(library);
        return false;
    }
    return true;
}

std::unique_ptr<Decoder> PluginRegistry::open(const std::string& path) const {
    const std::string ext = lowerExtension(path);
    if (ext.empty()) return nullptr;
    for (const Entry& e : entries_) {
        if (std::find(e.extensions.begin(), e.extensions.end(), ext) == e.extensions.end()) continue;
        if (auto decoder = PluginDecoder::open(e.functions, path)) return decoder;
    }
    return nullptr;
}
