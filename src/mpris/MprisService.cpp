#include "MprisService.h"

#include "MprisControls.h"
#include "MprisPlayerAdaptor.h"
#include "MprisRootAdaptor.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QMetaObject>

namespace {
const QString kServiceName = QStringLiteral("org.mpris.MediaPlayer2.vexo_mp");
const QString kObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
} // namespace

MprisService::MprisService(MprisControls& controls)
    : controls_(controls), player_(new MprisPlayerAdaptor(&exported_, controls)) {
    new MprisRootAdaptor(&exported_, controls);
    connect(&controls_, &MprisControls::changed, this, &MprisService::refreshSoon);
}

MprisService::~MprisService() {
    if (!registered_) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(kServiceName);
    bus.unregisterObject(kObjectPath);
}

bool MprisService::registerOnSessionBus() {
    if (registered_) return true;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    if (!bus.registerObject(kObjectPath, &exported_, QDBusConnection::ExportAdaptors)) return false;
    if (!bus.registerService(kServiceName)) {
        bus.unregisterObject(kObjectPath);
        return false;
    }
    registered_ = true;
    told_ = controls_.snapshot();
    return true;
}

void MprisService::refreshSoon() {
    // A drag on the volume bar or a track change says "changed" several times in one go; the
    // client hears once, with the values as they end up.
    if (refreshPending_ || !registered_) return;
    refreshPending_ = true;
    QMetaObject::invokeMethod(this, &MprisService::refresh, Qt::QueuedConnection);
}

void MprisService::refresh() {
    refreshPending_ = false;
    const MprisSnapshot now = controls_.snapshot();
    const QStringList names = ChangedProperties(told_, now);
    told_ = now;
    if (names.isEmpty()) return;
    QVariantMap changed;
    for (const QString& name : names)
        changed.insert(name, player_->property(name.toLatin1().constData()));
    QDBusMessage signal = QDBusMessage::createSignal(
        kObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"));
    signal << QStringLiteral("org.mpris.MediaPlayer2.Player") << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}
