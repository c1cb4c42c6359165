#pragma once
#include "MprisMapping.h"

#include <QObject>

class MprisControls;
class MprisPlayerAdaptor;

// The player on the session bus as org.mpris.MediaPlayer2.vexo_mp: the root and Player interfaces
// at /org/mpris/MediaPlayer2, and PropertiesChanged for every change of what they report. It
// wakes only when something changed or a client asks: no timer, no polling.
class MprisService : public QObject {
    Q_OBJECT
  public:
    explicit MprisService(MprisControls& controls);
    ~MprisService() override;

    // Claims the name; false, and nothing more happens, without a session bus or when the name is
    // taken.
    bool registerOnSessionBus();

  private:
    void refreshSoon();
    void refresh();

    MprisControls& controls_;
    // The object the bus sees; the adaptors are its children.
    QObject exported_;
    MprisPlayerAdaptor* player_;
    MprisSnapshot told_;
    bool registered_ = false;
    bool refreshPending_ = false;
};
