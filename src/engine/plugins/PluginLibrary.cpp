#include "PluginLibrary.h"

#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <sstream>

namespace {

struct Registration {
    std::vector<PluginDecoderEntry> decoders;
    std::string fault;
};

struct CodeSearch {
    std::uintptr_t address;
    bool found;
};

int findCode(dl_phdr_info* info, std::size_t, void* data) {
    auto* search = static_cast<CodeSearch*>(data);
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& s = info->dlpi_phdr[i];
        if (s.p_type != PT_LOAD || !(s.p_flags & PF_X)) continue;
        const std::uintptr_t begin = info->dlpi_addr + s.p_vaddr;
        if (search->address >= begin && search->address - begin < s.p_memsz) {
            search->found = true;
            return 1;
        }
    }
    return 0;
}

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

int registerDecoder(void* context, const char* extensions, const VexoDecoderFunctions* functions) {
    auto* registration = static_cast<Registration*>(context);
    if (!registration || !extensions || !functions) return 0;
    const VexoDecoderFunctions& f = *functions;
    if (!f.open || !f.read || !f.close) return 0;
    for (const void* code : {reinterpret_cast<const void*>(f.open), reinterpret_cast<const void*>(f.read),
                             reinterpret_cast<const void*>(f.seek), reinterpret_cast<const void*>(f.close),
                             reinterpret_cast<const void*>(f.tag)}) {
        if (code && !pointsIntoCode(code)) {
            registration->fault = "its decoder's functions are not code";
            return 0;
        }
    }
    PluginDecoderEntry entry{{}, f};
    std::istringstream words(extensions);
    for (std::string word; words >> word;)
        if (word.size() >= 2 && word[0] == '.') entry.extensions.push_back(lower(word));
    if (entry.extensions.empty()) return 0;
    registration->decoders.push_back(std::move(entry));
    return 1;
}

} // namespace

bool pointsIntoCode(const void* address) {
    CodeSearch search{reinterpret_cast<std::uintptr_t>(address), false};
    dl_iterate_phdr(&findCode, &search);
    return search.found;
}

std::string decoderInfoFault(const VexoDecoderInfo& info) {
    // Below telephone quality or above any recording's rate, a rate is damage: resampling from
    // 1 Hz asks for tens of thousands of output frames per frame read.
    if (info.sampleRate < 8000 || info.sampleRate > 768000)
        return "its decoder reports an impossible sample rate";
    if (info.channels < 1 || info.channels > 8) return "its decoder reports an impossible channel count";
    return {};
}

PluginLibrary loadPluginLibrary(const std::string& path) {
    PluginLibrary result;
    void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* why = ::dlerror();
        result.outcome = PluginLibrary::Outcome::Refused;
        result.fault = std::string("it does not load: ") + (why ? why : "unknown error");
        return result;
    }
    void* symbol = ::dlsym(library, VEXO_PLUGIN_ENTRY_POINT);
    if (!symbol) {
        ::dlclose(library);
        return result;
    }
    if (!pointsIntoCode(symbol)) {
        ::dlclose(library);
        result.outcome = PluginLibrary::Outcome::Refused;
        result.fault = "its entry point is not code";
        return result;
    }
    Registration registration;
    const VexoPluginHost host{VEXO_PLUGIN_API_VERSION, &registration, &registerDecoder};
    const int accepted = reinterpret_cast<VexoPluginRegisterFn>(symbol)(&host);
    if (!registration.fault.empty()) {
        result.outcome = PluginLibrary::Outcome::Refused;
        result.fault = std::move(registration.fault);
    } else if (accepted != 0 && !registration.decoders.empty()) {
        result.outcome = PluginLibrary::Outcome::Loaded;
        result.decoders = std::move(registration.decoders);
        return result;
    }
    // What it registered may point into it, so it is only unmapped when nothing is kept.
    ::dlclose(library);
    return result;
}
