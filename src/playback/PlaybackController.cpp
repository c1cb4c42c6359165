#include "PlaybackController.h"

#include "Equalizer.h"
#include "PlaylistModel.h"
#include "TickerText.h"

#include <QCoreApplication>
#include <QPointer>

#include <algorithm>
#include <utility>

namespace {
// The follower's displays wait for its first sound, which the output may still hold back a little.
constexpr int kTakeoverPollMs = 10;
constexpr int kFollowCheckMs = 1000;
} // namespace

PlaybackController::PlaybackController(AudioEngine& engine, PlaylistModel& playlist, PlaybackState& state,
                                       Equalizer& equalizer, Beat& beat, QObject* parent)
    : QObject(parent), engine_(engine), playlist_(playlist), state_(state), equalizer_(equalizer),
      positionTimer_(beat) {
    positionTimer_.setInterval(kPositionIntervalMs);
    connect(&positionTimer_, &BeatTimer::timeout, this, &PlaybackController::positionTick);
    // Not the beat: the next track is opened and taken over while the window is minimised too.
    followTimer_.setInterval(kFollowCheckMs);
    connect(&followTimer_, &QTimer::timeout, this, &PlaybackController::openFollower);
    takeoverTimer_.setInterval(kTakeoverPollMs);
    connect(&takeoverTimer_, &QTimer::timeout, this, [this] {
        if (engine_.heardPosition(follower_) > 0 || !engine_.IsActiveChannel(follower_)) adoptFollower();
    });
    // Which track follows may have changed: it is picked again.
    const auto forgetFailures = [this] {
        failedRows_.clear();
        dropFollower();
    };
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
    dropFollower();
    takeoverPending_ = false;
    dropFollower();
    if (state_.Channel == 0) return;
    engine_.Stop(state_.Channel);
    engine_.ChannelFree(state_.Channel);
    state_.Channel = 0;
}

void PlaybackController::dropFollower() {
    // A follower that took over is the track that plays, only its displays are still to come: what
    // goes is the one opened to follow it.
    StreamHandle& dropped = takeoverPending_ ? afterFollower_ : follower_;
    if (dropped == 0) return;
    engine_.ChannelFree(dropped);
    dropped = 0;
    playlist_.setMark(takeoverPending_ ? PlaylistModel::AfterFollower : PlaylistModel::Follower, RowMark());
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
    state_.Channel = engine_.Open(path.toStdString());
    emit streamOpened();
    showTrack(i, path);

    if (equalizer_.EQApplied()) {
        equalizer_.AttachEQ();
        equalizer_.ApplyEQGains();
    } else {
        equalizer_.DetachEQ();
    }

    engine_.Play(state_.Channel);
    if (state_.Channel != 0) {
        watchTrack();
    } else {
        // No stream could be made at all: passed over like a file that fails while playing.
        trackEndNotice()(EndReason::Failed);
    }

    // A stream that did not open still runs the timer, which shows no time, and the title shows the
    // file name until another track starts.
    positionTimer_.start();
    state_.PositionTimerOn = true;
    followTimer_.start();
    emit timeChanged();
    emit trackStarted(i);
}

void PlaybackController::showTrack(int row, const QByteArray& path) {
    currentFile_ = path;
    state_.BytesPerPixel = 0;
    // Until the tags are read (at once, for a file already open) the title is the file name.
    if (!engine_.isOpen(state_.Channel)) {
        tickerText_ = BuildTickerText(std::nullopt, std::nullopt, path);
        emit tickerTextChanged(tickerText_, kTickerStartOffset);
    }
    playlist_.clearSelection();
    if (row >= 0) playlist_.setSelected(row, true);
    playlist_.setCurrentTrack(row);
    playlist_.setMark(PlaylistModel::Repeat, RowMark::On(row));
}

void PlaybackController::watchTrack() {
    engine_.notifyAtEnd(state_.Channel, trackEndNotice());
    if (engine_.isOpen(state_.Channel)) {
        onTrackOpened(serial_);
        return;
    }
    engine_.notifyWhenOpen(state_.Channel, [self = QPointer<PlaybackController>(this), serial = serial_] {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, serial] {
                if (self) self->onTrackOpened(serial);
            },
            Qt::QueuedConnection);
    });
}

void PlaybackController::onTrackOpened(std::uint64_t serial) {
    if (serial != serial_ || state_.Channel == 0) return;
    // One pixel never stands for less than 20 ms, so a short track's line stops short of the end.
    state_.BytesPerPixel =
        std::max(engine_.GetLength(state_.Channel) / kSeekBarPixels, engine_.SecToByte(state_.Channel, 0.02));
    tickerText_ =
        BuildTickerText(engine_.TagArtist(state_.Channel), engine_.TagTitle(state_.Channel), currentFile_);
    emit tickerTextChanged(tickerText_, kTickerStartOffset);
    emit trackFactsRead();
    openFollower();
}

void PlaybackController::openFollower() {
    // While a follower's takeover waits to be heard it is the stream that plays on: its own
    // follower is opened at once, for a track that may be shorter than the wait.
    const bool pending = takeoverPending_;
    StreamHandle& follower = pending ? afterFollower_ : follower_;
    const StreamHandle playing = pending ? follower_ : state_.Channel;
    if (follower != 0 || playing == 0 || state_.Paused || !engine_.isOpen(playing) ||
        engine_.CurTimeRevers(playing) > kFollowLeadSeconds)
        return;
    refreshLastIndex();
    if (lastIndex_ < 0) return;
    int row = -1;
    switch (playMode_) {
    case RepeatList: {
        const int next = playlist_.mark(pending ? PlaylistModel::Follower : PlaylistModel::Current).after();
        row = next > lastIndex_ ? 0 : next;
        break;
    }
    case RepeatOne:
        row = RepeatIndex();
        break;
    case Random:
        row = randomIndex(playlist_.count());
        break;
    default:
        return;
    }
    if (row < 0 || row > lastIndex_) return;
    follower = engine_.OpenFollower(playing, playlist_.Row(row).Path.toStdString());
    if (follower != 0)
        playlist_.setMark(pending ? PlaylistModel::AfterFollower : PlaylistModel::Follower, RowMark::On(row));
}

void PlaybackController::adoptFollower() {
    takeoverTimer_.stop();
    takeoverPending_ = false;
    const StreamHandle next = follower_;
    const int row = playlist_.mark(PlaylistModel::Follower).row();
    follower_ = std::exchange(afterFollower_, 0);
    playlist_.setMark(PlaylistModel::Follower, playlist_.mark(PlaylistModel::AfterFollower));
    playlist_.setMark(PlaylistModel::AfterFollower, RowMark());
    ++serial_;
    refreshLastIndex();
    // The cursor moves on as at the end of any track. The stream that ended goes; its effects and
    // controls stay with the follower, which shares them.
    const int after = playlist_.mark(PlaylistModel::Current).after();
    setNavIndex(after > lastIndex_ ? 0 : after);
    // The stream that ended is only freed: stopping it would have the output make its queue again,
    // across the join.
    const bool tookOver = engine_.tookOver(next);
    engine_.ChannelFree(state_.Channel);
    state_.Channel = next;
    showTrack(row, row >= 0 ? playlist_.Row(row).Path : currentFile_);
    if (!tookOver) engine_.Play(next); // one that was not ready in time starts now
    watchTrack();
    emit timeChanged();
    emit trackStarted(row);
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
    if (reason == EndReason::Played && follower_ != 0) {
        failedRows_.clear();
        if (engine_.tookOver(follower_)) {
            takeoverPending_ = true;
            takeoverTimer_.start();
            openFollower();
        } else {
            adoptFollower();
        }
        return;
    }
    if (reason == EndReason::Missing) {
        // The row goes; what follows the place where it stood is picked by the play mode, one
        // notice per missing row, so a list of missing files empties itself and stops. Nothing plays
        // any more, so no other row stays marked as playing.
        freeChannel();
        positionTimer_.stop();
        state_.PositionTimerOn = false;
        if (const int row = CurrentTrack(); row >= 0) playlist_.deleteRow(row);
        emit timeChanged();
        reason = EndReason::Played;
    }
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
    settleTakeover();
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

void PlaybackController::settleTakeover() {
    if (takeoverPending_) adoptFollower();
}

void PlaybackController::pause() {
    settleTakeover();
    // Only a playing stream pauses; the engine resumes a paused one.
    state_.Paused = !state_.Paused && engine_.IsActiveChannel(state_.Channel);
    selectedSincePause_ = false;
    engine_.Pause(state_.Channel);
    emit pauseChanged();
}

void PlaybackController::stop() {
    ++serial_;
    freeChannel();
    followTimer_.stop();
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
    dropFollower();
    emit playModeChanged(mode);
}

void PlaybackController::positionTick() {
    emit positionTicked();
}

void PlaybackController::shutdown() {
    ++serial_;
    followTimer_.stop();
    positionTimer_.stop();
    state_.PositionTimerOn = false;
    state_.Paused = false;
    freeChannel();
    emit stopped();
}
