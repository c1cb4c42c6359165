#include "CellText.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>

void DrawCellText(QPainter& painter, QPoint topLeft, const QString& text) {
    const QFontMetrics metrics(painter.font());
    painter.drawText(QPoint(topLeft.x(), topLeft.y() + metrics.ascent()), text);
}

int RegisterSkinFonts(const QString& dataFolder) {
    static bool tahomaAdded = false;
    if (!tahomaAdded) {
        tahomaAdded = true;
        for (const char* file : {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"})
            if (QFile::exists(file)) QFontDatabase::addApplicationFont(file);
    }
    const QString chiller = dataFolder + "/Chiller.ttf";
    return QFile::exists(chiller) ? QFontDatabase::addApplicationFont(chiller) : -1;
}
