#include "InfoPanel.h"

#include "CellText.h"
#include "FitText.h"
#include "PaintGradient.h"
#include "ScaledPicture.h"
#include "SkinFont.h"
#include "SkinPalette.h"

#include <QPainter>

namespace {
constexpr QColor kGreen{0, 128, 0};
constexpr int kTagWidth = 220;
constexpr int kCommentWidth = 210;
} // namespace

InfoPanel::InfoPanel() {
    connect(&close_, &BoxLogic::changed, this, &InfoPanel::changed);
    connect(&close_, &TitleBarButton::clicked, this, &InfoPanel::closeClicked);
}

bool InfoPanel::press(QPoint pos, Qt::MouseButton button) {
    // Only the left button presses the box or drags the window.
    if (button != Qt::LeftButton) return false;
    // The release belongs to the box that saw the press, wherever the pointer has gone since.
    pressOnClose_ = kCloseBox.contains(pos);
    if (!pressOnClose_) return true;
    close_.press(pos - kCloseBox.topLeft(), button);
    return false;
}

void InfoPanel::release(QPoint pos, Qt::MouseButton button) {
    if (button != Qt::LeftButton || !pressOnClose_) return;
    pressOnClose_ = false;
    close_.release(pos - kCloseBox.topLeft(), button);
}

QImage InfoPanel::paint(const InfoContent& c, int scale) {
    QImage image(kSize, QImage::Format_RGB32);
    QPainter painter(&image);
    PaintGradient(painter, image.rect(), false, {kWhite, kSilver, kGrey, kGrey, kSilver, kWhite});
    BeginTexts(painter, image, scale);

    painter.setFont(SkinFont(10, false, QStringLiteral("DejaVu Sans")));
    painter.setPen(c.skin);
    DrawCellText(painter, {5, 3}, QStringLiteral("Информация о треке"));

    // Only the tag is fitted; the label goes in front of what is left of it.
    painter.setFont(SkinFont(8));
    painter.setPen(kWhite);
    const QString lines[] = {
        QStringLiteral("Артист: ") + FitText(c.artist, kTagWidth),
        QStringLiteral("Заголовок: ") + FitText(c.title, kTagWidth),
        QStringLiteral("Альбом: ") + FitText(c.album, kTagWidth),
        QStringLiteral("Жанр: ") + c.genre,
        QStringLiteral("Трек №: ") + c.track + QStringLiteral("       Год: ") + c.year,
        QStringLiteral("Комментарии: ") + FitText(c.comment, kCommentWidth),
    };
    int y = 20;
    for (const QString& line : lines) {
        DrawCellText(painter, {5, y}, line);
        y += 15;
    }
    painter.setPen(kGreen);
    DrawCellText(painter, {5, 110}, c.codecText + "   " + c.bitrateText + "   " + c.frequencyText);

    close_.setPaintScale(scale);
    painter.drawImage(kCloseBox.topLeft(), close_.image());
    return image;
}
