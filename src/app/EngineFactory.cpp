#include "EngineFactory.h"

#include "VexoEngine.h"

std::unique_ptr<AudioEngine> MakeEngine() {
    return std::make_unique<VexoEngine>();
}
