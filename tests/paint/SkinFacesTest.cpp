#include "CellText.h"
#include "SkinFont.h"
#include "SkinFonts.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Fit {
    const char* where;
    int points;
    const char* text;
    QPoint at; // the text cell's top-left corner in its box
    QSize box; // the room the layout gives it
};

// The box's pixels that the text inks, drawn as the boxes draw it.
QRect inkedRect(const QFont& font, const QString& text, QPoint at, QSize box) {
    QImage image(box * 2, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    DrawCellText(painter, at, text);
    painter.end();
    QRect inked;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255)) inked |= QRect(x, y, 1, 1);
    return inked;
}

} // namespace

TEST(SkinFaces, EveryTextInTheTitleFaceFitsItsBoxWithoutTheUsersChiller) {
    const QTemporaryDir noChiller;
    RegisterSkinFonts(noChiller.path());
    const Fit fits[] = {
        {"start window", 40, "Vexo MP", {10, 8}, {188, 70}},
        {"time box, remaining", 15, "-01:01:01", {0, 0}, {73, 20}},
        {"time box, elapsed", 15, "01:01:01", {6, 0}, {73, 20}},
        // The list lies below the heading from row 24, 7 pixels in from either side.
        {"playlist heading", 16, "PlayList", {120, 2}, {313, 24}},
    };
    for (const Fit& fit : fits) {
        const QFont font = SkinFont(fit.points, false, QStringLiteral("Chiller"));
        const QRect ink = inkedRect(font, QString::fromLatin1(fit.text), fit.at, fit.box);
        ASSERT_FALSE(ink.isEmpty()) << fit.where;
        EXPECT_TRUE(QRect(QPoint(), fit.box).contains(ink))
            << fit.where << ": \"" << fit.text << "\" inks " << ink.right() + 1 << "x" << ink.bottom() + 1
            << ", its box is " << fit.box.width() << "x" << fit.box.height() << " (face "
            << QFontInfo(font).family().toStdString() << ")";
    }
}
