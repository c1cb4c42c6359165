#include "MprisRootAdaptor.h"

#include "MprisControls.h"

MprisRootAdaptor::MprisRootAdaptor(QObject* object, MprisControls& controls)
    : QDBusAbstractAdaptor(object), controls_(controls) {}

QStringList MprisRootAdaptor::mimeTypes() const {
    // The types of the extensions the playlist takes as audio, and M3U playlists.
    return {
        QStringLiteral("audio/mpeg"),         QStringLiteral("audio/mp2"),
        QStringLiteral("audio/x-wav"),        QStringLiteral("audio/wav"),
        QStringLiteral("audio/x-ms-wma"),     QStringLiteral("audio/ogg"),
        QStringLiteral("audio/x-vorbis+ogg"), QStringLiteral("audio/x-speex"),
        QStringLiteral("audio/mp4"),          QStringLiteral("audio/x-m4a"),
        QStringLiteral("audio/aac"),          QStringLiteral("audio/ac3"),
        QStringLiteral("audio/x-aiff"),       QStringLiteral("audio/x-wavpack"),
        QStringLiteral("audio/x-tta"),        QStringLiteral("audio/x-musepack"),
        QStringLiteral("audio/flac"),         QStringLiteral("audio/x-flac"),
        QStringLiteral("audio/x-ape"),        QStringLiteral("audio/x-mpegurl"),
    };
}

void MprisRootAdaptor::Raise() {
    if (controls_.raise) controls_.raise();
}

void MprisRootAdaptor::Quit() {
    if (controls_.quit) controls_.quit();
}
