#include "PlaybackController.h"

#include "Equalizer.h"
#include "PlaylistModel.h"
#include "TickerText.h"

#include <QCoreApplication>
#include <QPointer>

#include <algorithm>
#include <sys/stat.h>

namespace {
// A row names a file only if something other than a folder stands at its path; URLs and paths of
// files deleted since they were added do not.
bool fileExists(const QByteArray& path) {
    struct stat info {};
    return !path.isEmpty() && ::stat(path.constData(), &info) == 0 && !S_ISDIR(info.st_mode);
}
} // namespace

PlaybackController::PlaybackController(AudioEngine& engine, PlaylistModel& playlist, PlaybackState& state,
                                       Equalizer& equalizer, Beat& beat, QObject* parent)
    : QObject(parent), engine_(engine), playlist_(playlist), state_(state), equalizer_(equalizer),
      positionTimer_(beat) {
    positionTimer_.setInterval(kPositionIntervalMs);
    connect(&positionTimer_, &BeatTimer::timeout, this, &PlaybackController::PositionTick);
}

PlaybackController::~PlaybackController() = default;

int PlaybackController::CurrentTrack() const {
    return playlist_.CurrentTrack();
}

void PlaybackController::RefreshLastIndex() {
    lastIndex_ = playlist_.Count() - 1;
}

void PlaybackController::freeChannel() {
    if (state_.Channel == 0) return;
    engine_.Stop(state_.Channel);
    engine_.ChannelFree(state_.Channel);
    state_.Channel = 0;
}

void PlaybackController::PlayTrack(int i) {
    const int count = playlist_.Count();
    if (count == 0) return;
    i = std::clamp(i, 0, count - 1);
    ++serial_;

    positionTimer_.stop();
    state_.PositionTimerOn = false;
    state_.Paused = false;
    freeChannel();

    const QByteArray path = playlist_.Row(i).Path;
    if (!fileExists(path)) {
        // The row goes; the end-of-track handling then picks what follows it by the play mode, one
        // posted step per missing row, so a list of missing files empties itself and stops.
        playlist_.DeleteRow(i);
        trackEndNotice()(EndReason::Played);
        emit timeChanged();
        return;
    }

    state_.Channel = engine_.Create(path.toStdString());
    currentFile_ = path;
    emit streamOpened();

    tickerText_ = BuildTickerText(engine_.TagArtist(state_.Channel), engine_.TagTitle(state_.Channel), path);
    emit tickerTextChanged(tickerText_, kTickerStartOffset);

    playlist_.ClearSelection();
    playlist_.SetSelected(i, true);
    playlist_.SetCurrentTrack(i);
    repeatIndex_ = i;

    if (equalizer_.EQApplied()) {
        equalizer_.AttachEQ();
        equalizer_.ApplyEQGains();
    } else {
        equalizer_.DetachEQ();
    }

    engine_.Play(state_.Channel);

    if (state_.Channel != 0) {
        // One pixel never stands for less than 20 ms, so a short track's line stops short of the end.
        state_.BytesPerPixel = std::max(engine_.GetLength(state_.Channel) / kSeekBarPixels,
                                        engine_.SecToByte(state_.Channel, 0.02));
        engine_.ChannelSetSync(state_.Channel, SyncType::End, trackEndNotice());
    }

    // A stream that did not open still runs the timer: nothing sounds and nothing follows until the
    // user acts, while the title shows the file name.
    positionTimer_.start();
    state_.PositionTimerOn = true;
    emit timeChanged();
    emit trackStarted(i);
}

EndCallback PlaybackController::trackEndNotice() {
    // The engine calls this on a thread of its own: it only posts, through the application object
    // (which outlives every stream) and a guard that tells whether this controller still exists.
    return [self = QPointer<PlaybackController>(this), serial = serial_](EndReason reason) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, serial, reason] {
                if (self) self->onTrackEnd(serial, reason);
            },
            Qt::QueuedConnection);
    };
}

void PlaybackController::onTrackEnd(std::uint64_t serial, EndReason reason) {
    if (serial != serial_) return;
    RefreshLastIndex();
    if (lastIndex_ < 0) return;
    if (reason == EndReason::Played) {
        failuresInARow_ = 0;
    } else if (playMode_ == RepeatOne || ++failuresInARow_ > lastIndex_) {
        // A file that cannot be decoded is not what the one-track mode repeats: it would fail again
        // at once, for ever. Nor does a list in which every file fails go round without end. The
        // player then waits for the user, as after a file that did not open.
        failuresInARow_ = 0;
        return;
    }
    navIndex_ = CurrentTrack() + 1;
    if (navIndex_ > lastIndex_) navIndex_ = 0;
    playByMode(navIndex_);
}

void PlaybackController::playByMode(int listIndex) {
    switch (playMode_) {
    case RepeatList:
        PlayTrack(listIndex);
        break;
    case RepeatOne:
        PlayTrack(repeatIndex_);
        break;
    case Random:
        PlayTrack(randomIndex(playlist_.Count()));
        break;
    default: // a mode from an edited settings file starts nothing until the mode button resets it
        break;
    }
}

int PlaybackController::randomIndex(int count) {
    return std::uniform_int_distribution<int>(0, count - 1)(random_);
}

void PlaybackController::Play() {
    failuresInARow_ = 0;
    RefreshLastIndex();
    if (lastIndex_ < 0) return;
    const int selected = playlist_.SelectedIndex();
    navIndex_ = selected >= 0 ? selected : 0;
    if (state_.Paused && navIndex_ == CurrentTrack()) {
        // The paused track goes on from where it stands, which the user may have moved it to.
        state_.Paused = false;
        engine_.Play(state_.Channel);
    } else {
        PlayTrack(navIndex_);
    }
}

void PlaybackController::PlayFromList() {
    failuresInARow_ = 0;
    navIndex_ = playlist_.SelectedIndex();
    if (navIndex_ != -1) PlayTrack(navIndex_);
}

void PlaybackController::Pause() {
    // Only a playing stream pauses; the engine resumes a paused one.
    state_.Paused = !state_.Paused && engine_.IsActiveChannel(state_.Channel);
    engine_.Pause(state_.Channel);
}

void PlaybackController::Stop() {
    ++serial_;
    freeChannel();
    positionTimer_.stop();
    state_.PositionTimerOn = false;
    state_.Paused = false;
    tickerText_.clear();
    emit tickerTextChanged(tickerText_, 0);
    currentFile_.clear();
    playlist_.SetCurrentTrack(-1);
    emit stopped();
}

void PlaybackController::Back() {
    failuresInARow_ = 0;
    RefreshLastIndex();
    if (lastIndex_ < 0) return;
    // From the first row (or from before it, where the playlist leaves the cursor after deleting
    // its last row) Back goes round to the last row.
    if (navIndex_ <= 0) navIndex_ = playlist_.Count();
    --navIndex_;
    playByMode(navIndex_);
    afterStep();
}

void PlaybackController::Next() {
    failuresInARow_ = 0;
    ++navIndex_;
    RefreshLastIndex();
    if (lastIndex_ < 0) return;
    if (navIndex_ > lastIndex_) navIndex_ = 0;
    playByMode(navIndex_);
    afterStep();
}

void PlaybackController::afterStep() {
    navIndex_ = CurrentTrack();
    if (const int selected = playlist_.SelectedIndex(); selected >= 0) playlist_.SetSelected(selected, false);
}

void PlaybackController::CyclePlayMode() {
    SetPlayMode(playMode_ >= RepeatList && playMode_ < Random ? playMode_ + 1 : RepeatList);
}

void PlaybackController::SetPlayMode(int mode) {
    playMode_ = mode;
    emit playModeChanged(mode);
}

void PlaybackController::PositionTick() {
    emit positionTicked();
}

void PlaybackController::Shutdown() {
    ++serial_;
    positionTimer_.stop();
    state_.PositionTimerOn = false;
    state_.Paused = false;
    freeChannel();
    emit stopped();
}
