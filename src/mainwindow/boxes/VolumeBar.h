#pragma once
#include "BoxLogic.h"
#include "Playback.h"
#include "Skin.h"

// The volume bar (115 x 8): a marker at x = playback's VolPos, 4 meaning 0 % and 104 meaning
// 100 %. It shows every change of the volume, whoever made it; a paint only draws.
class VolumeBar : public BoxLogic {
  public:
    static constexpr int kWidth = 115, kHeight = 8;
    static constexpr int kMinPos = Playback::kMinVolPos, kMaxPos = Playback::kMaxVolPos;

    VolumeBar(Playback& playback, const Skin& skin);

    QSize size() const override { return {kWidth, kHeight}; }
    const QImage& image() override;
    void press(QPoint pos, Qt::MouseButton button) override;
    void move(QPoint pos, Qt::MouseButtons buttons) override;
    void release(QPoint pos, Qt::MouseButton button) override;
    // One step of 1 % per wheel notch (120 units); smaller high-resolution deltas add up. The hint
    // then tells the new value.
    void wheel(QPoint pos, int angleDelta) override;
    QString hint() const override { return hint_; }
    // In percent, in the wheel's steps; the name stays while the hint tells the value.
    QAccessible::Role accessibleRole() const override { return QAccessible::Slider; }
    QString accessibleName() const override { return QStringLiteral("Громкость"); }
    std::optional<BoxValue> value() const override {
        return BoxValue{.current = double(VolPos() - kMinPos), .maximum = double(kMaxPos - kMinPos)};
    }
    void setValue(double percent) override { setVolPos(kMinPos + qRound(percent)); }

    void wheelUp();
    void wheelDown();

    // The marker position as stored in the settings, always 4..104.
    int VolPos() const { return playback_.VolPos(); }
    void setVolPos(int volPos) { playback_.setVolPos(volPos); }
    bool dragging() const { return volDrag_; }

  private:
    const Skin& skin_;
    void tellValue();

    Playback& playback_;
    bool volDrag_ = false;
    int wheelRemainder_ = 0;
    QString hint_ = QStringLiteral("Громкость");
    QImage image_;
    int drawnPos_ = -1;
    QRgb drawnColor_ = 0;
};
