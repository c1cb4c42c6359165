#pragma once
#include "BoxLogic.h"
#include "Equalizer.h"
#include "Skin.h"

// The "Def" button (23 x 13): the press flattens the curve to 0 dB; the label is lit while held.
class EqualizerDefault : public BoxLogic {
  public:
    static constexpr int kWidth = 23, kHeight = 13;

    EqualizerDefault(Equalizer& equalizer, const Skin& skin);

    QSize size() const override { return {kWidth, kHeight}; }
    const QImage& image() override;
    void press(QPoint pos, Qt::MouseButton button) override;
    void release(QPoint pos, Qt::MouseButton button) override;
    QString hint() const override { return QStringLiteral("Насиройки по умолчанию"); }
    QAccessible::Role accessibleRole() const override { return QAccessible::Button; }

    bool pressed() const { return pressed_; }

  protected:
    void paintScaleChanged() override { drawn_ = false; }

  private:
    const Skin& skin_;
    Equalizer& equalizer_;
    bool pressed_ = false;
    QImage image_;
    bool drawn_ = false;
    bool drawnPressed_ = false;
    QRgb drawnColor_ = 0;
};
