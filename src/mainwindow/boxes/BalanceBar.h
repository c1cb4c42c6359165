#pragma once
#include "BoxLogic.h"
#include "Playback.h"
#include "Skin.h"

// The balance bar (105 x 8): playback's pan, BalValue, and the marker's x, BalPos. The mouse sets
// the two together; the bar shows every change of them, whoever made it.
class BalanceBar : public BoxLogic {
  public:
    static constexpr int kWidth = 105, kHeight = 8;

    BalanceBar(Playback& playback, const Skin& skin);

    QSize size() const override { return {kWidth, kHeight}; }
    const QImage& image() override;
    void press(QPoint pos, Qt::MouseButton button) override;
    void move(QPoint pos, Qt::MouseButtons buttons) override;
    void release(QPoint pos, Qt::MouseButton button) override;
    QString hint() const override { return hint_; }
    // The pan, -1 (left only) to 1; a value set puts the marker where a drag would give that pan.
    QAccessible::Role accessibleRole() const override { return QAccessible::Slider; }
    QString accessibleName() const override { return QStringLiteral("Баланс"); }
    std::optional<BoxValue> value() const override {
        return BoxValue{.current = BalValue(), .minimum = -1, .maximum = 1, .step = 0.1};
    }
    void setValue(double pan) override;

    float BalValue() const { return playback_.BalValue(); }
    int BalPos() const { return playback_.BalPos(); }
    // The pan as text for the settings file (locale notation, 15 significant digits).
    QString BalText() const;
    // Values as an editable settings file holds them, brought onto the bar.
    void setBalance(float balValue, int balPos);
    bool dragging() const { return balDrag_; }

  private:
    const Skin& skin_;

    Playback& playback_;
    bool balDrag_ = false;
    QString hint_ = QStringLiteral("Баланс");
    QImage image_;
    int drawnPos_ = -1;
    QRgb drawnColor_ = 0;
};
