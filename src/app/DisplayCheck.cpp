#include "DisplayCheck.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdio>
#include <unistd.h>

namespace {

struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};

QtMessageHandler previous = nullptr;
QList<HeldMessage>* held = nullptr;

void HoldOrEnd(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        fprintf(stderr,
                "vexo-mp: no display to show the player on (DISPLAY=\"%s\", WAYLAND_DISPLAY=\"%s\")\n",
                qgetenv("DISPLAY").constData(), qgetenv("WAYLAND_DISPLAY").constData());
        ::_exit(1);
    }
    held->append({type, context.category, text});
}

} // namespace

DisplayCheck::DisplayCheck() {
    held = new QList<HeldMessage>;
    previous = qInstallMessageHandler(HoldOrEnd);
}

DisplayCheck::~DisplayCheck() {
    qInstallMessageHandler(previous);
    for (const HeldMessage& message : *held) {
        const QMessageLogContext context(nullptr, 0, nullptr, message.category.constData());
        if (previous)
            previous(message.type, context, message.text);
        else
            qt_message_output(message.type, context, message.text);
    }
    delete held;
    held = nullptr;
}
