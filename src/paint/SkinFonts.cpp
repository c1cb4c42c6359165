#include "SkinFonts.h"

#include <QFile>
#include <QFont>
#include <QFontDatabase>

namespace {

// From the fonts-yanone-kaffeesatz package: its light weight, whose thin strokes leave whole blank
// columns between the digits when they are drawn without antialiasing.
constexpr const char* kTitleSubstituteFile =
    "/usr/share/fonts/opentype/yanone-kaffeesatz/YanoneKaffeesatz-Light.otf";
constexpr const char* kTitleSubstituteFamily = "Yanone Kaffeesatz Light";

void addSystemFaces() {
    for (const char* file : {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"})
        if (QFile::exists(file)) QFontDatabase::addApplicationFont(file);
    // Chiller is a tall, narrow face; the texts drawn in it (the start window's title, an hour's
    // time in the 73-pixel time box) are laid out for that narrowness. The font system's own
    // substitute is a wide sans face that cuts them, so a narrow one stands in where no Chiller
    // is found.
    const int narrow = QFontDatabase::addApplicationFont(kTitleSubstituteFile);
    if (QFontDatabase::applicationFontFamilies(narrow).contains(kTitleSubstituteFamily))
        QFont::insertSubstitution(QStringLiteral("Chiller"), kTitleSubstituteFamily);
}

} // namespace

int RegisterSkinFonts(const QString& dataFolder) {
    static bool systemFacesAdded = false;
    if (!systemFacesAdded) {
        systemFacesAdded = true;
        addSystemFaces();
    }
    const QString chiller = dataFolder + "/Chiller.ttf";
    return QFile::exists(chiller) ? QFontDatabase::addApplicationFont(chiller) : -1;
}
