#pragma once
#include "Skin.h"
#include "AudioEngine.h"
#include "BoxLogic.h"
#include "PlaybackState.h"

// The balance bar (105 x 8): BalValue is the pan sent to the engine when it changes and when a
// track starts, BalPos the marker's x. The two are set together by the mouse but stored apart (the settings keep both), and
// neither is derived from the other.
class BalanceBar : public BoxLogic {
  public:
    static constexpr int kWidth = 105, kHeight = 8;

    BalanceBar(AudioEngine& engine, const PlaybackState& state, const Skin& skin);

    QSize size() const override { return {kWidth, kHeight}; }
    const QImage& image() override;
    void press(QPoint pos, Qt::MouseButton button) override;
    void move(QPoint pos, Qt::MouseButtons buttons) override;
    void release(QPoint pos, Qt::MouseButton button) override;
    QString hint() const override { return hint_; }

    float BalValue() const { return balValue_; }
    int BalPos() const { return balPos_; }
    // The pan as text for the settings file (locale notation, 15 significant digits).
    QString BalText() const;
    void setBalance(float balValue, int balPos);
    // Sends the pan to the playing stream (a new one starts without it).
    void applyPan();
    bool dragging() const { return balDrag_; }

  private:
    const Skin& skin_;
    void set(float balValue, int balPos);

    AudioEngine& engine_;
    const PlaybackState& state_;
    float balValue_ = 0;
    int balPos_ = 0;
    bool balDrag_ = false;
    QString hint_ = QStringLiteral("Баланс");
    QImage image_;
    int drawnPos_ = -1;
    QRgb drawnColor_ = 0;
};
