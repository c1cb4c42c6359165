#pragma once
#include "Skin.h"
#include "AudioEngine.h"
#include "BoxLogic.h"
#include "PlaybackState.h"

#include <functional>

// The volume bar (115 x 8): a marker at x = VolPos, 4 meaning 0 % and 104 meaning 100 %. The value
// reaches the engine, as VolPos - 4 per cent, when it changes and when a track starts; a paint only
// draws.
class VolumeBar : public BoxLogic {
  public:
    static constexpr int kWidth = 115, kHeight = 8;
    static constexpr int kMinPos = 4, kMaxPos = 104;

    VolumeBar(AudioEngine& engine, const PlaybackState& state, const Skin& skin);

    QSize size() const override { return {kWidth, kHeight}; }
    const QImage& image() override;
    void press(QPoint pos, Qt::MouseButton button) override;
    void move(QPoint pos, Qt::MouseButtons buttons) override;
    void release(QPoint pos, Qt::MouseButton button) override;
    // One step of 1 % per wheel notch (120 units); smaller high-resolution deltas add up. The hint
    // then tells the new value.
    void wheel(QPoint pos, int angleDelta) override;
    QString hint() const override { return hint_; }

    void wheelUp();
    void wheelDown();

    // The marker position as stored in the settings, always 4..104.
    int VolPos() const { return volPos_; }
    void setVolPos(int volPos);
    // Sends the volume to the playing stream (a new one starts without it).
    void applyVolume();
    bool dragging() const { return volDrag_; }

    // After every change of VolPos, whoever made it; the picture has its own `changed`.
    std::function<void()> volumeChanged;

  private:
    const Skin& skin_;
    void tellValue();
    // A settings file may hold any number; the engine only takes 0..100 %.
    void setPos(int volPos);

    AudioEngine& engine_;
    const PlaybackState& state_;
    int volPos_ = kMinPos;
    bool volDrag_ = false;
    int wheelRemainder_ = 0;
    QString hint_ = QStringLiteral("Громкость");
    QImage image_;
    int drawnPos_ = -1;
    QRgb drawnColor_ = 0;
};
