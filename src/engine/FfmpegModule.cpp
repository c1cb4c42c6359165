#include "FfmpegModule.h"

#include <dlfcn.h>

#include <array>
#include <climits>
#include <unistd.h>

namespace {

// Beside the program once installed or built; the build's own copy for the test programs, which
// live in folders of their own.
std::string besideTheProgram() {
    std::array<char, PATH_MAX> exe{};
    const ssize_t n = ::readlink("/proc/self/exe", exe.data(), exe.size() - 1);
    if (n <= 0) return {};
    std::string path(exe.data(), static_cast<std::size_t>(n));
    return path.substr(0, path.find_last_of('/') + 1) + "vexo-ffmpeg.so";
}

FfmpegOpenFunction loadModule() {
    for (const std::string& path : {besideTheProgram(), std::string(VEXO_FFMPEG_MODULE)}) {
        if (path.empty()) continue;
        // Never closed: decoders it made may live as long as the program.
        if (void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL))
            if (void* entry = ::dlsym(module, kFfmpegOpenSymbol))
                return reinterpret_cast<FfmpegOpenFunction>(entry);
    }
    return nullptr;
}

} // namespace

std::unique_ptr<Decoder> openWithFfmpeg(const std::string& path, Decoder::Deadline deadline) {
    // A function-local static is made once, and callers on other threads wait for it.
    static const FfmpegOpenFunction open = loadModule();
    if (!open) return nullptr;
    return std::unique_ptr<Decoder>(open(path.c_str(), deadline.time_since_epoch().count()));
}
