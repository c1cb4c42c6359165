// The module's entry point (see FfmpegModule.h).
#include "FfmpegDecoder.h"
#include "FfmpegModule.h"

extern "C" {
#include <libavutil/log.h>
}

namespace {

// Damaged files would otherwise fill stderr; failures come back as values.
const bool quiet = (av_log_set_level(AV_LOG_FATAL), true);

} // namespace

extern "C" __attribute__((visibility("default"))) Decoder* vexo_ffmpeg_open(const char* path,
                                                                            std::int64_t deadlineTicks) {
    (void)quiet;
    const Decoder::Deadline deadline{Decoder::Deadline::duration(deadlineTicks)};
    return FfmpegDecoder::open(path, deadline).release();
}
