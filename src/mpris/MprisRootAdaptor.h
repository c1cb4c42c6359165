#pragma once
#include <QDBusAbstractAdaptor>
#include <QStringList>

class MprisControls;

// The root interface of the desktop's media-player protocol: who the player is, and bringing it
// to the front or closing it. D-Bus names its members; they keep their spelling here.
class MprisRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ yes)
    Q_PROPERTY(bool CanRaise READ yes)
    Q_PROPERTY(bool HasTrackList READ no)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ uriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ mimeTypes)
  public:
    MprisRootAdaptor(QObject* object, MprisControls& controls);

    bool yes() const { return true; }
    bool no() const { return false; }
    QString identity() const { return QStringLiteral("Vexo MP"); }
    QString desktopEntry() const { return QStringLiteral("vexo-mp"); }
    QStringList uriSchemes() const { return {QStringLiteral("file")}; }
    QStringList mimeTypes() const;

  public slots:
    void Raise();
    void Quit();

  private:
    MprisControls& controls_;
};
