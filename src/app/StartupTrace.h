#pragma once
#include <QElapsedTimer>
#include <QObject>

class QWindow;

// With VEXO_TRACE_STARTUP set, the moments of start-up go to stderr as "NAME MS" (milliseconds of a
// steady clock), for the benchmark that times the hand-over from the start window.
class StartupTrace : public QObject {
  public:
    StartupTrace();
    void mark(const char* name) const;
    // Marks name once, when window is first exposed on the screen.
    void markExposed(QWindow* window, const char* name);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool enabled_;
    QElapsedTimer clock_;
    const char* exposedName_ = "";
};
