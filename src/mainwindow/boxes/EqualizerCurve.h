#pragma once
#include "BoxLogic.h"
#include "Equalizer.h"
#include "Skin.h"

// The equalizer's curve box (110 x 31): band k's point sits at x = 10 (k + 1), y = its row; a press
// or a drag sets every band whose ten-pixel zone 10k..10k + 10 holds x, so a press on a zone
// border sets both neighbours.
class EqualizerCurve : public BoxLogic {
  public:
    static constexpr int kWidth = 110, kHeight = 31;

    EqualizerCurve(Equalizer& equalizer, const Skin& skin);

    QSize size() const override { return {kWidth, kHeight}; }
    const QImage& image() override;
    void press(QPoint pos, Qt::MouseButton button) override;
    void move(QPoint pos, Qt::MouseButtons buttons) override;
    void release(QPoint pos, Qt::MouseButton button) override;
    // It has no hint; it is named as the equalizer button names it.
    QString accessibleName() const override { return QStringLiteral("Эквалайзер"); }

    bool dragging() const { return eqDrag_; }

  private:
    const Skin& skin_;
    void setZones(QPoint pos);

    Equalizer& equalizer_;
    bool eqDrag_ = false;
    bool dirty_ = true;
    QRgb drawnColor_ = 0;
    QImage image_;
};
