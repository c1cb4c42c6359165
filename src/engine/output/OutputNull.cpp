#include "OutputNull.h"

OutputNull::OutputNull(const Settings& settings)
    : PacedOutput(settings.pacing, settings.blockMs), settings_(settings) {}

OutputNull::~OutputNull() {
    close();
}

bool OutputNull::openSink(int) {
    lost_.store(false, std::memory_order_release);
    return settings_.devices > 0;
}

bool OutputNull::consume(const float*, int) {
    if (lost_.load(std::memory_order_acquire)) return false;
    return settings_.loseDeviceAfterFrames < 0 || framesWritten() < settings_.loseDeviceAfterFrames;
}
