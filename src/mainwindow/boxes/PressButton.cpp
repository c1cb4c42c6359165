#include "PressButton.h"

#include "CellText.h"
#include "MirrorBitmap.h"
#include "ScaledPicture.h"
#include "Skin.h"
#include "SkinFont.h"
#include "SkinPalette.h"

#include <QPainter>
#include <QPolygon>
#include <QTimer>

namespace {
// A filled polygon whose outline covers every vertex, as the skin's glyphs were designed: Qt's
// aliased fill leaves out the bottom-most corner.
void DrawClosedPolygon(QPainter& painter, const QPolygon& polygon) {
    painter.drawPolygon(polygon);
    painter.drawPoints(polygon);
}
} // namespace

PressButton::PressButton(PressKind kind, const Skin& skin)
    : later([](int ms, std::function<void()> dim) { QTimer::singleShot(ms, std::move(dim)); }), skin_(skin),
      kind_(kind), image_(size(), QImage::Format_RGB32) {}

QSize PressButton::size() const {
    return kind_ == PressKind::Open ? QSize(22, 20) : QSize(20, 20);
}

QString PressButton::hint() const {
    switch (kind_) {
    case PressKind::Back:
        return QStringLiteral("Предыдущий трек");
    case PressKind::Play:
        return QStringLiteral("Воспроизведение");
    case PressKind::Pause:
        return QStringLiteral("Пауза");
    case PressKind::Stop:
        return QStringLiteral("Остановить");
    case PressKind::Next:
        return QStringLiteral("Следующий трек");
    case PressKind::Open:
        return QStringLiteral("Добавить файлы");
    }
    return {};
}

void PressButton::press(QPoint pos, Qt::MouseButton button) {
    if (button != Qt::LeftButton) return;
    lit_ = true;
    held_ = true;
    dirty_ = true;
    notifyChanged();
    emit triggered();
    if (modalAction && held_) release(pos, button);
}

void PressButton::release(QPoint, Qt::MouseButton button) {
    if (button != Qt::LeftButton) return;
    held_ = false;
    const unsigned release = ++releases_;
    const std::weak_ptr<int> alive = alive_;
    later(kLitAfterReleaseMs, [this, alive, release] {
        // A press since this release owns the light now.
        if (alive.expired() || held_ || release != releases_) return;
        lit_ = false;
        dirty_ = true;
        notifyChanged();
    });
}

const QImage& PressButton::image() {
    // A new skin colour repaints the button at its next show, so the colour is part of the state.
    const QRgb color = lit_ ? skin_.rgb() : kBlack.rgb();
    if (dirty_ || color != paintedColor_) {
        paintedColor_ = color;
        paint();
        dirty_ = false;
    }
    return image_;
}

void PressButton::paint() {
    BeginShapes(image_, size());
    image_.fill(kWhite);
    const QColor glyph = QColor::fromRgb(paintedColor_);
    QPainter painter(&image_);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(glyph);
    painter.setBrush(glyph);
    switch (kind_) {
    case PressKind::Back:
    case PressKind::Next:
        BeginTexts(painter, image_, paintScale());
        painter.setFont(SkinFont(13));
        DrawCellText(painter, {5, -2}, kind_ == PressKind::Back ? QStringLiteral("«") : QStringLiteral("»"));
        break;
    case PressKind::Play:
        // Drawn pointing left and mirrored, which puts the upright edge on column 9 and the tip on 14.
        DrawClosedPolygon(painter, QPolygon({QPoint(10, 15), QPoint(10, 5), QPoint(5, 10)}));
        painter.end();
        MirrorBitmap(image_, true);
        return;
    case PressKind::Pause:
        // Two bars drawn as white-outlined rectangles: on the white ground the outlines vanish and only the
        // insides show.
        painter.fillRect(QRect(6, 6, 3, 9), glyph);
        painter.fillRect(QRect(11, 6, 3, 9), glyph);
        break;
    case PressKind::Stop:
        painter.fillRect(QRect(6, 6, 9, 9), glyph);
        break;
    case PressKind::Open:
        DrawClosedPolygon(painter, QPolygon({QPoint(10, 5), QPoint(5, 10), QPoint(15, 10)}));
        painter.drawLine(5, 13, 15, 13);
        painter.drawLine(5, 14, 15, 14);
        break;
    }
}
