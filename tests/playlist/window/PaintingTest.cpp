// The looks of the playlist window's parts: rows, menu items, the window's ground and its boxes.
#include "ListButton.h"
#include "ListRig.h"
#include "MenuItemPainter.h"
#include "Pixels.h"
#include "PlaylistBackground.h"
#include "PlaylistMenus.h"
#include "PlaylistRow.h"
#include "SizeStrip.h"
#include "Skin.h"
#include "SkinFonts.h"
#include "WaitFor.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace {
// The faces the player registers at start (Tahoma among them, where installed), for every test of
// this program whatever ran before: a face that arrives mid-run changes how rows are drawn.
class SkinFonts : public ::testing::Environment {
    void SetUp() override { RegisterSkinFonts(QString()); }
};
const auto* const kFonts = ::testing::AddGlobalTestEnvironment(new SkinFonts);

const QColor kWhite(255, 255, 255), kSilver(192, 192, 192), kGrey(128, 128, 128), kBlack(0, 0, 0),
    kBlue(0, 0, 255), kOutline(49, 105, 198);

QImage PaintedRow(RowStyle style, const QString& title = "Band - Song", const QString& duration = "03:26") {
    QImage image(305, kRowHeight, QImage::Format_RGB32);
    image.fill(kWhite);
    QPainter painter(&image);
    PlayListDrawItem(painter, image.rect(), 11, title, duration, style);
    return image;
}

QStringList Captions(const QMenu& menu) {
    QStringList captions;
    for (const QAction* action : menu.actions())
        captions << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return captions;
}
} // namespace

TEST(PlaylistRowLook, EachStyleHasItsColourAndOnlyThePlayingRowAFrame) {
    struct Case {
        RowStyle style;
        QColor text;
        bool framed;
    };
    for (const Case& c : {Case{RowStyle::Selected, kBlack, false}, Case{RowStyle::Current, kBlue, true},
                          Case{RowStyle::Other, kSilver, false}}) {
        const QImage row = PaintedRow(c.style);
        const QRect inner = row.rect().adjusted(1, 1, -1, -1);
        EXPECT_GT(CountColor(row, QRect(2, 1, 200, kRowHeight - 2), c.text), 20) << "number and title";
        EXPECT_GT(CountColor(row, QRect(kRowDurationX, 1, 50, kRowHeight - 2), c.text), 10) << "duration";
        EXPECT_EQ(CountColor(row, QRect(kRowDurationX - 20, 1, 18, kRowHeight - 2), c.text), 0)
            << "nothing between the title and the duration";
        // The text is drawn over the frame, so a tall glyph may cover a pixel of its top edge.
        const int frame = row.width() * 2 + (row.height() - 2) * 2;
        const int silverOnEdge = CountColor(row, row.rect(), kSilver) - CountColor(row, inner, kSilver);
        const int textOnEdge = CountColor(row, row.rect(), c.text) - CountColor(row, inner, c.text);
        if (c.framed) {
            EXPECT_EQ(silverOnEdge + textOnEdge, frame);
            EXPECT_LT(textOnEdge, 4);
        } else {
            EXPECT_LT(silverOnEdge, frame / 4);
        }
        EXPECT_EQ(QColor(row.pixel(150, 0)), c.framed ? kSilver : kWhite);
    }
}

TEST(PlaylistRowLook, SelectionWinsOverPlayingAndTheNumberIsOneBased) {
    EXPECT_EQ(RowStyleOf(true, true), RowStyle::Selected);
    EXPECT_EQ(RowStyleOf(false, true), RowStyle::Current);
    EXPECT_EQ(RowStyleOf(false, false), RowStyle::Other);
    // Row index 11 shows "12. "; with an empty title the painted text is only the number.
    const QImage numbered = PaintedRow(RowStyle::Other, QString(), QString());
    QImage expected(305, kRowHeight, QImage::Format_RGB32);
    expected.fill(kWhite);
    QPainter painter(&expected);
    painter.setFont(RowFont());
    painter.setPen(kSilver);
    painter.drawText(QPoint(2, QFontMetrics(RowFont()).ascent()), QStringLiteral("12. "));
    painter.end();
    EXPECT_EQ(numbered, expected);
    EXPECT_EQ(
        CountColor(PaintedRow(RowStyle::Other, "x", QString()), QRect(kRowDurationX, 0, 60, 16), kSilver), 0)
        << "no duration, nothing drawn there";
}

// More rows than fit bring the scroll bar, which narrows every row: an hour-long duration stays whole.
TEST(PlaylistRowLook, AnHourLongDurationStaysWholeBesideTheScrollBar) {
    ListRig rig;
    rig.addRows(30);
    rig.engine.files[rig.model.Row(0).Path.toStdString()].lengthSeconds = 7200;
    PlaylistView view(rig.model, rig.cache);
    view.resize(305, 200);
    view.show();
    const QRect duration(200, 0, 105, kRowHeight);
    const int whole = CountColor(PaintedRow(RowStyle::Other, "x", "02:00:00"), duration, kSilver);
    EXPECT_TRUE(
        WaitFor([&] { return CountColor(view.viewport()->grab().toImage(), duration, kSilver) == whole; }));
}

TEST(PlaylistMenuLook, MenusHoldExactlyTheShownItems) {
    const Skin skin;
    PlaylistMenus menus(skin);
    EXPECT_EQ(Captions(menus.addMenu),
              QStringList({"Добавить файлы", "Добавить папку", "-", "Добавить плейлист"}));
    EXPECT_EQ(Captions(menus.delMenu), QStringList({"Удалить файл(ы)", "-", "Очистить"}));
}

TEST(PlaylistMenuLook, ItemsArePaintedOurWay) {
    const QColor skin(200, 0, 0), menuGround(240, 240, 240), separator(100, 100, 100);
    const auto paint = [&](const QString& caption, bool highlighted) {
        QImage image(150, 20, QImage::Format_RGB32);
        image.fill(kBlack);
        QPainter painter(&image);
        PaintMenuItem(painter, image.rect(), caption, highlighted, menuGround, separator, skin);
        return image;
    };
    const QImage highlighted = paint("Очистить", true);
    EXPECT_EQ(QColor(highlighted.pixel(0, 0)), kOutline);
    EXPECT_EQ(QColor(highlighted.pixel(149, 19)), kOutline);
    EXPECT_EQ(QColor(highlighted.pixel(140, 10)), kSilver);
    EXPECT_GT(CountColor(highlighted, QRect(2, 2, 100, 16), kWhite), 10) << "white caption";

    const QImage plain = paint("Очистить", false);
    EXPECT_EQ(QColor(plain.pixel(140, 10)), menuGround);
    EXPECT_GT(CountColor(plain, QRect(2, 2, 100, 16), skin), 10) << "caption in the skin colour";

    const QImage line = paint("-", false);
    EXPECT_EQ(CountColor(line, QRect(31, 3, 119, 1), separator), 119) << "from left + 31 to the right edge";
    EXPECT_EQ(CountColor(line, QRect(0, 0, 31, 20), separator), 0);
    EXPECT_EQ(CountColor(line, QRect(0, 4, 150, 16), separator), 0);
}

TEST(PlaylistWindowLook, GroundRunsThroughTenBandsAndTheTitleFollowsTheSkin) {
    Skin skin(QColor(0, 160, 0));
    PlaylistBackground ground(skin);
    const QImage image = ground.image(QSize(320, 417));
    // Ten colours over 417 lines: nine segments of about 46 lines, each starting at its colour.
    EXPECT_EQ(QColor(image.pixel(5, 0)), kSilver);
    EXPECT_EQ(QColor(image.pixel(5, 46)), kGrey);
    EXPECT_EQ(QColor(image.pixel(300, 4 * 46)), kWhite);
    EXPECT_EQ(QColor(image.pixel(300, 416)), kWhite);
    const QRect title(120, 2, 100, 22);
    EXPECT_GT(CountColor(image, title, QColor(0, 160, 0)), 10);
    skin.setColor(QColor(0, 0, 160));
    const QImage recoloured = ground.image(QSize(320, 417));
    EXPECT_EQ(CountColor(recoloured, title, QColor(0, 160, 0)), 0) << "a new skin colour shows at once";
    EXPECT_GT(CountColor(recoloured, title, QColor(0, 0, 160)), 10);
}

TEST(PlaylistWindowLook, BoxesInvertTheirGradientWhilePressedAndLabelInTheSkinColour) {
    const Skin skin(QColor(13, 90, 219));
    for (ListButtonKind kind : {ListButtonKind::Add, ListButtonKind::Del, ListButtonKind::Save}) {
        ListButton button(kind, skin);
        const QImage up = button.image();
        EXPECT_EQ(QColor(up.pixel(0, 0)), kWhite);
        const int bottom = QColor(up.pixel(0, 16)).red();
        EXPECT_TRUE(bottom < 210 && bottom >= 192) << "white to silver, top to bottom: " << bottom;
        EXPECT_GT(CountColor(up, up.rect(), skin.color()), 10) << button.label().toStdString();
        button.press({3, 3}, Qt::LeftButton);
        const QImage down = button.image();
        EXPECT_EQ(QColor(down.pixel(0, 0)), kSilver);
        EXPECT_TRUE(button.pressed());
    }
    EXPECT_EQ(ListButton(ListButtonKind::Save, skin).label(), "Save");
}

TEST(PlaylistWindowLook, StripIsASilverLineAboveASkinLine) {
    const Skin skin(QColor(13, 90, 219));
    SizeStrip strip(320, skin);
    const QImage image = strip.image();
    EXPECT_EQ(image.size(), QSize(325, 2));
    EXPECT_EQ(CountColor(image, QRect(0, 0, 325, 1), kSilver), 325);
    EXPECT_EQ(CountColor(image, QRect(0, 1, 320, 1), skin.color()), 320);
    EXPECT_EQ(CountColor(image, QRect(320, 1, 5, 1), kSilver), 5);
}
