#include "MprisRootAdaptor.h"

#include "MprisControls.h"
#include "MprisMapping.h"

MprisRootAdaptor::MprisRootAdaptor(QObject* object, MprisControls& controls)
    : QDBusAbstractAdaptor(object), controls_(controls) {}

QStringList MprisRootAdaptor::mimeTypes() const {
    return SupportedMimeTypes();
}

void MprisRootAdaptor::Raise() {
    emit controls_.raiseRequested();
}

void MprisRootAdaptor::Quit() {
    emit controls_.quitRequested();
}
