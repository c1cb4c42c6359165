#pragma once
#include <QObject>

class QSocketNotifier;

// SIGTERM (what a session manager sends at logout), SIGINT and SIGHUP, brought to the event loop:
// the handler only writes a byte into a pipe, which a notifier reads on the GUI thread, so the
// player may close as its close box does instead of dying with its session unsaved.
// One object per process.
class TerminationSignals : public QObject {
    Q_OBJECT
  public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

  signals:
    void received();

  private:
    void drain();
    QSocketNotifier* readable_ = nullptr;
};
