#include "FfmpegModule.h"

#include "ProgramModule.h"

std::unique_ptr<Decoder> openWithFfmpeg(const std::string& path, Decoder::Deadline deadline) {
    // A function-local static is made once, and callers on other threads wait for it.
    static const auto open =
        reinterpret_cast<FfmpegOpenFunction>(LoadProgramModuleSymbol("vexo-ffmpeg.so", kFfmpegOpenSymbol));
    if (!open) return nullptr;
    return std::unique_ptr<Decoder>(open(path.c_str(), deadline.time_since_epoch().count()));
}
