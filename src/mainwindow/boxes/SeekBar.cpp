#include "SeekBar.h"

#include "DotLine.h"
#include "LineStepper.h"
#include "PaintGradient.h"
#include "Skin.h"
#include "SkinPalette.h"

#include <QPainter>

#include <algorithm>
#include <limits>

SeekBar::SeekBar(Playback& playback, AudioEngine& engine, const Skin& skin)
    : skin_(skin), playback_(playback), engine_(engine), state_(playback.state),
      image_(kWidth, kHeight, QImage::Format_RGB32) {
    paintEmpty();
    // A paused stream's position timer draws nothing: the line goes to the new place here.
    connect(&playback_, &Playback::seeked, this, [this] {
        DrawProgress(engine_.heardPosition(state_.Channel));
        notifyChanged(kLineRows);
    });
}

void SeekBar::paintEmpty() {
    if (ground_.isNull()) {
        ground_ = QImage(kWidth, kHeight, QImage::Format_RGB32);
        QPainter painter(&ground_);
        PaintGradient(painter, ground_.rect(), false, {kWhite, kSilver});
    }
    image_ = ground_.copy();
    showsEmpty_ = true;
}

namespace {
int phaseOf(std::int32_t counter) {
    return ((counter % 10) + 10) % 10;
}
} // namespace

void SeekBar::prepareLines() {
    const QRgb color = skin_.rgb();
    if (!lines_[0].isNull() && color == linesColor_) return;
    for (int phase = 0; phase < 10; ++phase) {
        lines_[phase] = ground_.copy();
        std::int32_t counter = phase;
        for (int x = 0; x <= kWidth + 1; ++x)
            DotLineProc(x, kLineY, lines_[phase], color, counter);
    }
    linesColor_ = color;
}

const QImage& SeekBar::image() {
    if (!state_.PositionTimerOn && !showsEmpty_) paintEmpty();
    return image_;
}

std::optional<BoxValue> SeekBar::value() const {
    if (state_.Channel == 0) return BoxValue{};
    return BoxValue{.current = double(engine_.CurTime(state_.Channel)),
                    .maximum = double(engine_.GetAllTime(state_.Channel))};
}

void SeekBar::setValue(double seconds) {
    const std::int64_t length = engine_.GetLength(state_.Channel);
    playback_.seekTo(
        std::clamp<std::int64_t>(engine_.SecToByte(state_.Channel, std::max(0.0, seconds)), 0, length));
}

bool SeekBar::tick() {
    if (!engine_.IsActiveChannel(state_.Channel) || state_.BytesPerPixel == 0) return false;
    DrawProgress(engine_.heardPosition(state_.Channel));
    notifyChanged(kLineRows);
    return true;
}

void SeekBar::DrawProgress(std::int64_t position) {
    if (state_.BytesPerPixel <= 0) return;
    // A position past the stream's end (or a bogus one) must not make the line run for millions of
    // points: one point beyond the bar is the last whose dot can still touch it.
    const int x = int(std::clamp<std::int64_t>(position / state_.BytesPerPixel, 0, kWidth + 1));
    prepareLines();

    // A column is touched by the points on it and beside it, so up to two columns before the end
    // the line is the prepared one; the last two points and the head are drawn here, in the order
    // the whole line would draw them.
    const QRgb color = skin_.rgb();
    const std::int32_t start = dotCounter_;
    if (std::int64_t(start) + x + 1 > std::numeric_limits<std::int32_t>::max()) {
        // The counter wraps within this line (after days of playback) and its phase jumps there,
        // which no prepared line shows: draw this one point by point.
        image_ = ground_.copy();
        StepLine(0, kLineY, x, kLineY,
                 [this, color](int px, int py) { DotLineProc(px, py, image_, color, dotCounter_); });
        if (!seekDragging_) DotLineProc(x, kLineY, image_, color, dotCounter_);
        showsEmpty_ = false;
        return;
    }
    const QImage& line = lines_[phaseOf(start)];
    const int copied = std::clamp(x - 1, 0, kWidth);
    // Only the rows the dots reach: the others stay as the empty bar left them.
    for (int y = kLineRows.first; y < kLineRows.first + kLineRows.count; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image_.scanLine(y));
        const QRgb* lineRow = reinterpret_cast<const QRgb*>(line.constScanLine(y));
        const QRgb* groundRow = reinterpret_cast<const QRgb*>(ground_.constScanLine(y));
        std::copy(lineRow, lineRow + copied, row);
        std::copy(groundRow + copied, groundRow + kWidth, row + copied);
    }
    for (int k = std::max(0, x - 2); k < x; ++k) {
        dotCounter_ = start + k;
        DotLineProc(k, kLineY, image_, color, dotCounter_);
    }
    dotCounter_ = start + x;
    if (!seekDragging_) DotLineProc(x, kLineY, image_, color, dotCounter_);
    showsEmpty_ = false;
}

void SeekBar::reset() {
    seekPos_ = 0;
    seekDragging_ = false;
    paintEmpty();
    notifyChanged();
}

std::int64_t SeekBar::PositionForX(int x) const {
    return std::int64_t(std::clamp(x, 0, kWidth)) * state_.BytesPerPixel;
}

void SeekBar::press(QPoint, Qt::MouseButton button) {
    if (button == Qt::LeftButton && playback_.seekable()) seekDragging_ = true;
}

void SeekBar::move(QPoint pos, Qt::MouseButtons) {
    // The line does not follow the pointer; the request takes effect at the release.
    if (seekDragging_) seekPos_ = PositionForX(pos.x());
}

void SeekBar::release(QPoint pos, Qt::MouseButton button) {
    if (button != Qt::LeftButton) return;
    seekPos_ = PositionForX(pos.x());
    seekDragging_ = false;
    playback_.seekTo(seekPos_);
}
