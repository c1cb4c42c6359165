#pragma once
#include "BoxLogic.h"
#include "Skin.h"

#include <functional>
#include <memory>

enum class PressKind { Back, Play, Pause, Stop, Next, Open };

// One of the six transport and add-files buttons. It acts on the press of the left button and
// stays lit until 400 ms after the release, so a quick click is still seen.
class PressButton : public BoxLogic {
    Q_OBJECT
  public:
    static constexpr int kLitAfterReleaseMs = 400;

    PressButton(PressKind kind, const Skin& skin);

    PressKind kind() const { return kind_; }
    bool lit() const { return lit_; }

    QSize size() const override;
    const QImage& image() override;
    void press(QPoint pos, Qt::MouseButton button) override;
    void release(QPoint pos, Qt::MouseButton button) override;
    QString hint() const override;
    QAccessible::Role accessibleRole() const override { return QAccessible::Button; }

    // The action runs a modal dialog (adding files). The release of the click that opened it goes
    // to the dialog and never comes here, so the action's end stands for it.
    bool modalAction = false;
    // Runs `dim` once ms milliseconds have passed, from the event loop: the afterglow is a state
    // that a timer ends, never a wait inside the release. Tests run `dim` when they like.
    std::function<void(int ms, std::function<void()> dim)> later;

  signals:
    // The button's job, run on the press.
    void triggered();

  protected:
    void paintScaleChanged() override { dirty_ = true; }

  private:
    const Skin& skin_;
    void paint();

    PressKind kind_;
    bool lit_ = false;
    bool held_ = false;     // pressed, and the release has not come yet
    unsigned releases_ = 0; // the afterglow of an earlier click does not end a later one's
    std::shared_ptr<int> alive_ = std::make_shared<int>(); // a timer may outlive the button
    bool dirty_ = true;
    QRgb paintedColor_ = 0;
    QImage image_;
};
