#include "Playback.h"

#include <algorithm>

Playback::Playback(AudioEngine& engine, PlaylistModel& playlist, Beat& beat, QObject* parent)
    : QObject(parent), equalizer(engine, state), controller(engine, playlist, state, equalizer, beat),
      engine_(engine) {
    connect(&controller, &PlaybackController::streamOpened, this, [this] {
        applyVolume();
        applyPan();
    });
}

void Playback::play() {
    controller.play();
    emit playOrPauseAsked();
}

void Playback::pause() {
    controller.pause();
    emit playOrPauseAsked();
}

void Playback::stop() {
    controller.stop();
}

void Playback::back() {
    controller.back();
}

void Playback::next() {
    controller.next();
}

bool Playback::seekable() const {
    return engine_.IsActiveChannel(state.Channel) || (state.Paused && state.Channel != 0);
}

bool Playback::seekTo(std::int64_t bytePos) {
    controller.settleTakeover();
    if (!seekable()) return false;
    engine_.SetPosition(state.Channel, bytePos);
    emit seeked();
    return true;
}

void Playback::setVolPos(int volPos) {
    volPos_ = std::clamp(volPos, kMinVolPos, kMaxVolPos);
    applyVolume();
    emit volumeChanged();
}

void Playback::applyVolume() {
    engine_.SetVolume(state.Channel, volPos_ - kMinVolPos);
}

void Playback::setBalance(float balValue, int balPos) {
    balValue_ = balValue;
    balPos_ = balPos;
    applyPan();
    emit balanceChanged();
}

void Playback::applyPan() {
    engine_.setPan(state.Channel, balValue_);
}

void Playback::setPlayMode(int mode) {
    controller.setPlayMode(mode);
}
