#include "PlaybackKeys.h"

#include <QShortcut>
#include <QWidget>

#include <algorithm>
#include <functional>

PlaybackKeys::PlaybackKeys(Playback& playback, AudioEngine& engine, VolumeBar& volume)
    : playback_(playback), engine_(engine), volume_(volume) {}

void PlaybackKeys::addWindow(QWidget& window) {
    struct Binding {
        Qt::Key key;
        std::function<void()> action;
    };
    const Binding bindings[] = {
        {Qt::Key_Z, [this] { playback_.back(); }},
        {Qt::Key_X, [this] { playback_.play(); }},
        {Qt::Key_C, [this] { playback_.pause(); }},
        {Qt::Key_V, [this] { playback_.stop(); }},
        {Qt::Key_B, [this] { playback_.next(); }},
        {Qt::Key_Space, [this] { pauseOrPlay(); }},
        {Qt::Key_Left, [this] { seekBy(-kSeekSeconds); }},
        {Qt::Key_Right, [this] { seekBy(kSeekSeconds); }},
        {Qt::Key_Up, [this] { volume_.wheelUp(); }},
        {Qt::Key_Down, [this] { volume_.wheelDown(); }},
        {Qt::Key_MediaPrevious, [this] { playback_.back(); }},
        {Qt::Key_MediaPlay, [this] { playback_.play(); }},
        {Qt::Key_MediaPause, [this] { playback_.pause(); }},
        {Qt::Key_MediaTogglePlayPause, [this] { pauseOrPlay(); }},
        {Qt::Key_MediaStop, [this] { playback_.stop(); }},
        {Qt::Key_MediaNext, [this] { playback_.next(); }},
    };
    for (const Binding& binding : bindings) {
        // Only while that window is active: keys typed into another program are that program's.
        auto* shortcut = new QShortcut(QKeySequence(binding.key), &window);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, binding.action);
    }
}

void PlaybackKeys::pauseOrPlay() {
    if (playback_.seekable())
        playback_.pause();
    else
        playback_.play();
}

void PlaybackKeys::seekBy(int seconds) {
    if (!playback_.seekable()) return;
    const StreamHandle channel = playback_.state.Channel;
    const std::int64_t step = engine_.SecToByte(channel, std::abs(seconds));
    const std::int64_t from = engine_.heardPosition(channel);
    playback_.seekTo(
        std::clamp<std::int64_t>(seconds < 0 ? from - step : from + step, 0, engine_.GetLength(channel)));
}
