#pragma once
#include "AudioEngine.h"
#include "BoxLogic.h"
#include "Playback.h"
#include "Skin.h"

#include <array>
#include <cstdint>

// The seek bar (302 x 10): a dotted line from the left grows with the position, one pixel per
// BytesPerPixel bytes. A click seeks to the clicked pixel, a drag to where the button is let go;
// while dragging the line's head dot is left out. A paused stream seeks too, and the line shows the
// new place at once, whoever seeked. Byte positions are 64 bits wide so that a track of many hours seeks
// correctly.
class SeekBar : public BoxLogic {
  public:
    static constexpr int kWidth = kSeekBarPixels, kHeight = 10;
    static constexpr int kLineY = 5;

    // Reads the stream's position from `engine`; seeks through `playback`.
    SeekBar(Playback& playback, AudioEngine& engine, const Skin& skin);

    QSize size() const override { return {kWidth, kHeight}; }
    // The empty bar while the position timer is off, else the last drawn progress.
    const QImage& image() override;
    void press(QPoint pos, Qt::MouseButton button) override;
    void move(QPoint pos, Qt::MouseButtons buttons) override;
    void release(QPoint pos, Qt::MouseButton button) override;
    QString hint() const override { return QStringLiteral("Полоса прокрутки"); }
    // In seconds of the track; a value set seeks there.
    QAccessible::Role accessibleRole() const override { return QAccessible::Slider; }
    std::optional<BoxValue> value() const override;
    void setValue(double seconds) override;

    // One tick of the position timer: redraws the progress of a playing stream. False (and
    // nothing drawn) without an active stream or before the stream's scale is known.
    bool tick();
    // Draws the bar for a byte position; the dots' phase goes on from the previous drawing.
    void DrawProgress(std::int64_t position);
    // The dots' phase counter (see DotLineProc), for a test that needs a known start.
    std::int32_t DotCounter() const { return dotCounter_; }
    void setDotCounter(std::int32_t counter) { dotCounter_ = counter; }
    // After Stop: no requested position, and the empty bar at the next paint.
    void reset();

    std::int64_t SeekPos() const { return seekPos_; }
    bool SeekDragging() const { return seekDragging_; }
    // The byte position for a pointer at x, x clamped to the bar (the mouse is captured during a
    // drag and can be released anywhere).
    std::int64_t PositionForX(int x) const;

  private:
    const Skin& skin_;
    // The dots reach one row above and below the line; the other rows are always the empty bar.
    static constexpr RowSpan kLineRows{kLineY - 1, 3};

    void paintEmpty();
    void prepareLines();

    Playback& playback_;
    AudioEngine& engine_;
    const PlaybackState& state_;
    std::int64_t seekPos_ = 0;
    bool seekDragging_ = false;
    bool showsEmpty_ = false;
    QImage image_;
    // The bar is redrawn 25 times a second. Its ground and the whole dotted line for each of the
    // ten phases are drawn once (again when the skin colour changes), so a tick copies the part
    // of the line it needs and draws only the points next to its end.
    QImage ground_;
    std::array<QImage, 10> lines_;
    QRgb linesColor_ = 0;
    std::int32_t dotCounter_ = 0;
};
