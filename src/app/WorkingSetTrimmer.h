#pragma once
#include <QObject>

// The one caller of TrimWorkingSet while the player runs. Every action of the player's windows
// starts with a mouse press (the buttons, the bars, the ticker, the analyser) or opens a dialog,
// so a press on any of its widgets, and a dialog shown or closed, is followed by one trim: from the
// event loop, once the press has been handled, and once for a burst of presses.
class WorkingSetTrimmer : public QObject {
  public:
    // Watches every widget of the application from now on.
    explicit WorkingSetTrimmer(QObject* parent = nullptr);

    // Trims once the event loop runs again.
    void trimSoon();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool pending_ = false;
};
