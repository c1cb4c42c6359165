#pragma once
#include "BoxLogic.h"
#include "Skin.h"

// The scrolling title line (RunBox): moves one pixel per step, may be dragged with the left
// button and reversed with the right one. The title is drawn once, over the ground, into a strip
// and a step shows another window of it: a copy of rows, not a text layout or a blend.
class TitleTicker : public BoxLogic {
    Q_OBJECT
  public:
    static constexpr int kWidth = 209;
    static constexpr int kHeight = 14;
    // Where a new title starts: just outside the right edge.
    static constexpr int kStartOffset = kWidth + 15;
    static constexpr int kStepMs = 20;

    explicit TitleTicker(const Skin& skin);

    const QString& tickerText() const { return text_; }
    void setTickerText(const QString& text);
    int tickerOffset() const { return offset_; }
    void setTickerOffset(int offset);
    int tickerWidth() const { return textWidth_; }
    // 0 scrolls to the left, 1 to the right, anything else stands still (saved as RunStringScroll).
    int direction() const { return direction_; }
    void setDirection(int direction);
    bool dragging() const { return drag_; }

    // Whether a step would change what is seen; the owner stops its timer otherwise.
    bool moving() const;
    // One timer tick.
    void step();

    QSize size() const override { return {kWidth, kHeight}; }
    const QImage& image() override;
    void press(QPoint pos, Qt::MouseButton button) override;
    void move(QPoint pos, Qt::MouseButtons buttons) override;
    void release(QPoint pos, Qt::MouseButton button) override;
    QString hint() const override;
    // Named by the title it runs; its press is the middle click that opens the information.
    QAccessible::Role accessibleRole() const override { return QAccessible::StaticText; }
    QString accessibleName() const override { return text_.isEmpty() ? hint() : text_; }
    QString accessibleDescription() const override { return hint(); }
    bool activatable() const override { return true; }
    void activate() override { click(Qt::MiddleButton); }

  signals:
    // A middle click: the owner opens the information window when a track plays.
    void infoRequested();
    // moving() may have changed, so the owner can start or stop its timer.
    void motionChanged();

  protected:
    void paintScaleChanged() override;

  private:
    const Skin& skin_;
    void renderStrip();
    void followSkinColor();
    // Columns of the rendered title: its width and a margin for the last glyph's overhang.
    int textColumns() const;
    void setOffsetAndNotify(int offset);

    QString text_;
    int offset_ = 0;
    int textWidth_ = 0;
    int direction_ = 0;
    bool drag_ = false;
    bool dirty_ = true;
    bool stripDirty_ = true;
    QRgb textColor_ = 0;
    QImage ground_; // the gradient, drawn once
    QImage strip_;  // the title between two widths of ground, at the paint scale
    QImage image_;
};
