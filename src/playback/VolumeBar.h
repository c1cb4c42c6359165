#pragma once
#include "AudioEngine.h"
#include "BoxLogic.h"
#include "PlaybackState.h"

// The volume bar (115 x 8): a marker at x = VolPos, 4 meaning 0 % and 104 meaning 100 %. The value
// reaches the engine whenever the bar is painted, as VolPos - 4 per cent; whoever changes it only
// announces the change and the paint applies it.
class VolumeBar : public BoxLogic {
  public:
    static constexpr int kWidth = 115, kHeight = 8;
    static constexpr int kMinPos = 4, kMaxPos = 104;

    VolumeBar(AudioEngine& engine, const PlaybackState& state);

    QSize size() const override { return {kWidth, kHeight}; }
    // Draws when something changed and sends the volume to the engine on every call.
    const QImage& image() override;
    void press(QPoint pos, Qt::MouseButton button) override;
    void move(QPoint pos, Qt::MouseButtons buttons) override;
    void release(QPoint pos, Qt::MouseButton button) override;
    // One step of 1 % per wheel notch (120 units); smaller high-resolution deltas add up. The hint
    // then tells the new value.
    void wheel(QPoint pos, int angleDelta) override;
    QString hint() const override { return hint_; }

    void WheelUp();
    void WheelDown();

    // The marker position as stored in the settings; 0..104 may stand until the next paint.
    int VolPos() const { return volPos_; }
    void SetVolPos(int volPos);
    bool Dragging() const { return volDrag_; }

  private:
    void tellValue();

    AudioEngine& engine_;
    const PlaybackState& state_;
    int volPos_ = 0;
    bool volDrag_ = false;
    int wheelRemainder_ = 0;
    QString hint_ = QStringLiteral("Громкость");
    QImage image_;
    int drawnPos_ = -1;
    QRgb drawnColor_ = 0;
};
