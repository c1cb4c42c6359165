#include "MprisRootAdaptor.h"

#include "MprisControls.h"
#include "MprisMapping.h"

MprisRootAdaptor::MprisRootAdaptor(QObject* object, MprisControls& controls)
    : QDBusAbstractAdaptor(object), controls_(controls) {}

QStringList MprisRootAdaptor::mimeTypes() const {
    return SupportedMimeTypes();
}

void MprisRootAdaptor::Raise() {
    if (controls_.raise) controls_.raise();
}

void MprisRootAdaptor::Quit() {
    if (controls_.quit) controls_.quit();
}
