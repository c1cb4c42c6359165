#pragma once
#include "BoxLogic.h"

#include <functional>

enum class PressKind { Back, Play, Pause, Stop, Next, Open };

// One of the six transport and add-files buttons. It acts on the press of the left button and
// stays lit until 400 ms after the release, so a quick click is still seen.
class PressButton : public BoxLogic {
  public:
    static constexpr int kLitAfterReleaseMs = 400;

    explicit PressButton(PressKind kind);

    PressKind kind() const { return kind_; }
    bool lit() const { return lit_; }

    QSize size() const override;
    const QImage& image() override;
    void press(QPoint pos, Qt::MouseButton button) override;
    void release(QPoint pos, Qt::MouseButton button) override;
    QString hint() const override;

    // The button's job, run on the press.
    std::function<void()> action;
    // The action runs a modal dialog (adding files). The release of the click that opened it goes
    // to the dialog and never comes here, so the action's end stands for it.
    bool modalAction = false;
    // The lit afterglow; the window processes its events meanwhile, so other buttons keep working.
    std::function<void(int ms)> wait;

  private:
    void paint();

    PressKind kind_;
    bool lit_ = false;
    bool held_ = false; // pressed, and the release has not come yet
    bool dirty_ = true;
    QRgb paintedColor_ = 0;
    QImage image_;
};
