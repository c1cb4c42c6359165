#pragma once
#include "BoxLogic.h"
#include "Equalizer.h"

// The "ON" button (23 x 13): a green outline while the equalizer is on, orange while it is off. The
// press switches the equalizer and lights green at once; the release settles on the real state.
class EqualizerSwitch : public BoxLogic {
  public:
    static constexpr int kWidth = 23, kHeight = 13;
    static constexpr QColor kOnColor{72, 194, 41};
    static constexpr QColor kOffColor{245, 95, 3};

    explicit EqualizerSwitch(Equalizer& equalizer);

    QSize size() const override { return {kWidth, kHeight}; }
    const QImage& image() override;
    void press(QPoint pos, Qt::MouseButton button) override;
    void release(QPoint pos, Qt::MouseButton button) override;
    QString hint() const override { return QStringLiteral("Вкл./Выкл."); }
    QAccessible::Role accessibleRole() const override { return QAccessible::Button; }
    std::optional<bool> checked() const override { return equalizer_.EQEnabled(); }

  protected:
    void paintScaleChanged() override { drawnState_ = -1; }

  private:
    Equalizer& equalizer_;
    QImage image_;
    int drawnState_ = -1;
};
