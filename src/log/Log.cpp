#include "Log.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void Write(std::string_view line) {
    // One write per line, so lines of several threads never interleave.
    std::string text = "vexo-mp: ";
    text.append(line);
    text += '\n';
    std::fwrite(text.data(), 1, text.size(), stderr);
}

} // namespace

bool LogDebugEnabled() {
    static const bool enabled = [] {
        const char* level = std::getenv("VEXO_LOG");
        return level && std::strcmp(level, "debug") == 0;
    }();
    return enabled;
}

void LogWarning(std::string_view line) {
    Write(line);
}

void LogDebug(std::string_view line) {
    if (LogDebugEnabled()) Write(line);
}
