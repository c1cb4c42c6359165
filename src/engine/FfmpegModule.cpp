#include "FfmpegModule.h"

#include "ProgramPlace.h"

#include <dlfcn.h>

namespace {

FfmpegOpenFunction loadModule() {
    const std::string program = RunningProgramFolder();
    if (program.empty()) return nullptr;
    // Beside the program in its build tree; in the prefix's lib/vexo-mp once installed (where the
    // install rules put it); at the build tree's top for the test programs, which sit below it.
    const std::string top = BuildTreeTop(program);
    for (const std::string& folder : {program, program + "/../lib/vexo-mp", top}) {
        if (folder.empty()) continue;
        const std::string path = folder + "/vexo-ffmpeg.so";
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
