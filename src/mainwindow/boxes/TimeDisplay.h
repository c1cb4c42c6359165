#pragma once
#include "AudioEngine.h"
#include "BoxLogic.h"
#include "PlaybackState.h"
#include "Skin.h"

// The time text (73 x 20): elapsed time at (6, 0) when TimeMode is 1, remaining time as "-" and the
// time at (0, 0) when it is 0; "00:00" without a stream. A click switches the mode. The image is
// transparent: the window's background shows through around the letters.
class TimeDisplay : public BoxLogic {
  public:
    static constexpr int kWidth = 73, kHeight = 20;

    TimeDisplay(AudioEngine& engine, const PlaybackState& state, const Skin& skin);

    QSize size() const override { return {kWidth, kHeight}; }
    const QImage& image() override;
    void press(QPoint pos, Qt::MouseButton button) override;
    // Named by the time it shows; its value is the elapsed seconds of the track's length, and its
    // press switches the mode as a click does.
    QAccessible::Role accessibleRole() const override { return QAccessible::StaticText; }
    QString accessibleName() const override { return text(); }
    std::optional<BoxValue> value() const override;
    bool activatable() const override { return true; }

    // The text as drawn now, "-" included in remaining mode.
    QString text() const;
    // Announces a change only when the text would read differently, so a tick costs no repaint
    // between two whole seconds.
    void refresh();

    int TimeMode() const { return timeMode_; }
    // Any nonzero mode shows the elapsed time (a settings file may hold any number).
    void setTimeMode(int timeMode);

  protected:
    void paintScaleChanged() override { drawnText_.clear(); }

  private:
    const Skin& skin_;
    // What the text shows, without building it: the position timer compares it 25 times a second.
    struct Reading {
        bool stream = false;
        bool elapsed = false;
        std::int64_t seconds = 0;
        bool operator==(const Reading&) const = default;
    };
    Reading reading() const;

    AudioEngine& engine_;
    const PlaybackState& state_;
    int timeMode_ = 0;
    QImage image_;
    Reading announced_;
    QString drawnText_;
    QRgb drawnColor_ = 0;
};
