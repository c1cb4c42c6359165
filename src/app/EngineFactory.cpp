#include "EngineFactory.h"

#include "FfmpegEngine.h"

std::unique_ptr<AudioEngine> MakeEngine() {
    return std::make_unique<FfmpegEngine>();
}
