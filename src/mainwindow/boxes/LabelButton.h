#pragma once
#include "BoxLogic.h"
#include "Skin.h"

enum class LabelKind { Playlist, Equalizer, Mode };

// The three small silver buttons: playlist and equalizer toggles and the play-mode cycle.
class LabelButton : public BoxLogic {
    Q_OBJECT
  public:
    LabelButton(LabelKind kind, const Skin& skin);

    LabelKind kind() const { return kind_; }
    // Playlist and Equalizer: the label shows lit.
    bool shown() const { return shown_; }
    void setShown(bool shown);
    // Mode: 0 repeat the list, 1 repeat one track, 2 random. A value read from an edited settings
    // file may lie outside; the box then keeps its last picture until the next click sets 0.
    int mode() const { return mode_; }
    void setMode(int mode);

    QSize size() const override { return {23, 13}; }
    const QImage& image() override;
    void press(QPoint pos, Qt::MouseButton button) override;
    void release(QPoint pos, Qt::MouseButton button) override;
    QString hint() const override;
    QAccessible::Role accessibleRole() const override { return QAccessible::Button; }
    std::optional<bool> checked() const override;
    // The mode: what its picture shows.
    QString accessibleDescription() const override;

  signals:
    // Playlist and Equalizer, on the release: the owner toggles what the button shows and tells
    // the label whether it is now shown (setShown).
    void toggleRequested();
    // Mode: the new mode after a click.
    void modeChanged(int mode);

  protected:
    void paintScaleChanged() override { dirty_ = true; }

  private:
    const Skin& skin_;
    void paint();

    LabelKind kind_;
    bool shown_ = false;
    int mode_ = 0;
    bool dirty_ = true;
    QRgb paintedColor_ = 0;
    QImage image_;
};
