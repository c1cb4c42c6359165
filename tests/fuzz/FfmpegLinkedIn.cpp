// The fuzz build links FFmpeg's decoder in instead of loading it as a module, so that the
// sanitizers and the fuzzer's coverage see it too.
#include "FfmpegDecoder.h"
#include "FfmpegModule.h"

std::unique_ptr<Decoder> openWithFfmpeg(const std::string& path, Decoder::Deadline deadline) {
    return FfmpegDecoder::open(path, deadline);
}
