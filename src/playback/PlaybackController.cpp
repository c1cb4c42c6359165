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
    connect(&positionTimer_, &BeatTimer::timeout, this, &PlaybackController::positionTick);
    const auto forgetFailures = [this] { failedRows_.clear(); };
    connect(&playlist_, &PlaylistModel::rowsInserted, this, forgetFailures);
    connect(&playlist_, &PlaylistModel::rowsRemoved, this, forgetFailures);
    connect(&playlist_, &PlaylistModel::modelReset, this, forgetFailures);
    connect(&playlist_, &PlaylistModel::layoutChanged, this, forgetFailures);
    connect(&playlist_.selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (state_.Paused) selectedSincePause_ = true;
    });
}

PlaybackController::~PlaybackController() = default;

int PlaybackController::CurrentTrack() const {
    return playlist_.CurrentTrack();
}

int PlaybackController::NavIndex() const {
    return playlist_.mark(PlaylistModel::Nav).after() - 1;
}

void PlaybackController::setNavIndex(int navIndex) {
    playlist_.setMark(PlaylistModel::Nav, RowMark::On(navIndex));
}

int PlaybackController::RepeatIndex() const {
    return playlist_.mark(PlaylistModel::Repeat).here();
}

void PlaybackController::refreshLastIndex() {
    lastIndex_ = playlist_.count() - 1;
}

void PlaybackController::freeChannel() {
    if (state_.Channel == 0) return;
    engine_.Stop(state_.Channel);
    engine_.ChannelFree(state_.Channel);
    state_.Channel = 0;
}

void PlaybackController::PlayTrack(int i) {
    const int count = playlist_.count();
    if (count == 0) return;
    i = std::clamp(i, 0, count - 1);
    ++serial_;

    positionTimer_.stop();
    state_.PositionTimerOn = false;
    state_.Paused = false;
    freeChannel();

    const QByteArray path = playlist_.Row(i).Path;
    if (!fileExists(path)) {
        // The row goes; the end-of-track handling then picks what follows the place where it stood
        // by the play mode, one posted step per missing row, so a list of missing files empties
        // itself and stops. Nothing plays any more, so no other row stays marked as playing.
        playlist_.setCurrentTrack(i);
        playlist_.deleteRow(i);
        trackEndNotice()(EndReason::Played);
        emit timeChanged();
        return;
    }

    state_.Channel = engine_.Create(path.toStdString());
    currentFile_ = path;
    emit streamOpened();

    tickerText_ = BuildTickerText(engine_.TagArtist(state_.Channel), engine_.TagTitle(state_.Channel), path);
    emit tickerTextChanged(tickerText_, kTickerStartOffset);

    playlist_.clearSelection();
    playlist_.setSelected(i, true);
    playlist_.setCurrentTrack(i);
    playlist_.setMark(PlaylistModel::Repeat, RowMark::On(i));

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
        engine_.notifyAtEnd(state_.Channel, trackEndNotice());
    } else {
        // A file that is there but does not open is passed over like one that fails while playing.
        trackEndNotice()(EndReason::Failed);
    }

    // A stream that did not open still runs the timer, which shows no time, and the title shows the
    // file name until another track starts.
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
    refreshLastIndex();
    if (lastIndex_ < 0) return;
    if (reason == EndReason::Played) {
        failedRows_.clear();
    } else {
        if (CurrentTrack() >= 0) failedRows_.insert(CurrentTrack());
        // A file that cannot be played is not what the one-track mode repeats: it would fail again
        // at once, for ever. Nor does a list in which every file fails go round without end. The
        // player then waits for the user, the title showing the last file tried.
        if (playMode_ == RepeatOne || int(failedRows_.size()) > lastIndex_) return;
    }
    // After the playing row, or from the place where it stood when it was deleted.
    const int next = playlist_.mark(PlaylistModel::Current).after();
    setNavIndex(next > lastIndex_ ? 0 : next);
    playByMode(NavIndex());
}

void PlaybackController::playByMode(int listIndex) {
    switch (playMode_) {
    case RepeatList:
        PlayTrack(listIndex);
        break;
    case RepeatOne:
        PlayTrack(RepeatIndex());
        break;
    case Random:
        PlayTrack(randomIndex(playlist_.count()));
        break;
    default: // a mode from an edited settings file starts nothing until the mode button resets it
        break;
    }
}

int PlaybackController::randomIndex(int count) {
    return std::uniform_int_distribution<int>(0, count - 1)(random_);
}

void PlaybackController::play() {
    failedRows_.clear(); // the user acted
    refreshLastIndex();
    if (lastIndex_ < 0) return;
    const int selected = playlist_.selectedIndex();
    if (state_.Paused && (!selectedSincePause_ || selected < 0 || selected == CurrentTrack())) {
        // The paused track goes on from where it stands, which the user may have moved it to. Back
        // and Next leave no row selected, so the selection alone cannot say which track to resume.
        state_.Paused = false;
        engine_.Play(state_.Channel);
        emit pauseChanged();
        return;
    }
    setNavIndex(selected >= 0 ? selected : 0);
    PlayTrack(NavIndex());
}

void PlaybackController::playFromList() {
    failedRows_.clear(); // the user acted
    const int selected = playlist_.selectedIndex();
    setNavIndex(selected);
    if (selected != -1) PlayTrack(selected);
}

void PlaybackController::pause() {
    // Only a playing stream pauses; the engine resumes a paused one.
    state_.Paused = !state_.Paused && engine_.IsActiveChannel(state_.Channel);
    selectedSincePause_ = false;
    engine_.Pause(state_.Channel);
    emit pauseChanged();
}

void PlaybackController::stop() {
    ++serial_;
    freeChannel();
    positionTimer_.stop();
    state_.PositionTimerOn = false;
    state_.Paused = false;
    tickerText_.clear();
    emit tickerTextChanged(tickerText_, 0);
    currentFile_.clear();
    playlist_.setCurrentTrack(-1);
    emit stopped();
}

void PlaybackController::back() {
    failedRows_.clear(); // the user acted
    refreshLastIndex();
    if (lastIndex_ < 0) return;
    // From the first row (or from before it, where the playlist leaves the cursor after deleting
    // its last row) Back goes round to the last row.
    const int previous = playlist_.mark(PlaylistModel::Nav).before();
    setNavIndex(previous < 0 ? lastIndex_ : previous);
    playByMode(NavIndex());
    afterStep();
}

void PlaybackController::next() {
    failedRows_.clear(); // the user acted
    refreshLastIndex();
    if (lastIndex_ < 0) return;
    const int following = playlist_.mark(PlaylistModel::Nav).after();
    setNavIndex(following > lastIndex_ ? 0 : following);
    playByMode(NavIndex());
    afterStep();
}

void PlaybackController::afterStep() {
    // Where a missing row was removed, the cursor keeps its place as the playing mark does.
    playlist_.setMark(PlaylistModel::Nav, playlist_.mark(PlaylistModel::Current));
    if (const int selected = playlist_.selectedIndex(); selected >= 0) playlist_.setSelected(selected, false);
}

void PlaybackController::cyclePlayMode() {
    setPlayMode(playMode_ >= RepeatList && playMode_ < Random ? playMode_ + 1 : RepeatList);
}

void PlaybackController::setPlayMode(int mode) {
    playMode_ = mode;
    emit playModeChanged(mode);
}

void PlaybackController::positionTick() {
    emit positionTicked();
}

void PlaybackController::shutdown() {
    ++serial_;
    positionTimer_.stop();
    state_.PositionTimerOn = false;
    state_.Paused = false;
    freeChannel();
    emit stopped();
}
