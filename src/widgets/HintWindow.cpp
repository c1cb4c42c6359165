#include "HintWindow.h"

#include "CellText.h"
#include "PaintGradient.h"
#include "ScaledPicture.h"
#include "Skin.h"
#include "SkinFont.h"
#include "SkinPalette.h"
#include "WindowSystem.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QWindow>

namespace {
// The text's own margins before the title line and the right margin are added, as a tooltip frame
// would measure them.
constexpr int kMarginX = 3;
constexpr int kMarginY = 2;
// Tooltips sit below the pointer's hot spot, clear of the arrow.
constexpr int kBelowPointer = 20;

QFont TitleFont() {
    return SkinFont(8, true, QStringLiteral("DejaVu Sans"));
}
} // namespace

QString HintText(const QString& hint) {
    QString text = hint;
    text.replace(QLatin1Char('@'), QLatin1Char('\r'));
    return text;
}

QRect PlaceHint(const QRect& measured, const QRect& desktop) {
    QRect r(measured.topLeft(), QSize(measured.width() + 20, measured.height() + 14));
    if (r.top() + r.height() > desktop.top() + desktop.height())
        r.moveTop(desktop.top() + desktop.height() - r.height());
    if (r.left() + r.width() > desktop.left() + desktop.width())
        r.moveLeft(desktop.left() + desktop.width() - r.width());
    if (r.left() < desktop.left()) r.moveLeft(desktop.left());
    if (r.top() < desktop.top()) r.moveTop(desktop.top());
    return r;
}

QImage PaintHint(QSize size, const QString& text, const QColor& skin, int scale) {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    PaintGradient(painter, image.rect(), false, {kWhite, kSilver});
    BeginTexts(painter, image, scale);
    painter.setFont(TitleFont());
    painter.setPen(kBlack);
    DrawCellText(painter, {5, 0}, QStringLiteral("Vexo MP"));
    painter.setFont(SkinFont(8, false, QStringLiteral("DejaVu Sans")));
    painter.setPen(skin);
    DrawCellText(painter, {5, 12}, text);
    return image;
}

HintWindow::HintWindow(const Skin& skin)
    // Transparent for input at the window system too: a wheel notch or a click where the hint
    // stands reaches the box beneath it, as if the hint were not there.
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput),
      skin_(skin) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    connect(&skin, &Skin::changed, this, [this] {
        if (image_.isNull()) return;
        paintPicture(image_.deviceIndependentSize().toSize());
        update();
    });
}

void HintWindow::showHint(const QString& hint, QPoint globalPos, QWidget* over) {
    if (hint.isEmpty()) {
        hideHint();
        return;
    }
    text_ = HintText(hint);
    const QFontMetrics metrics(SkinFont(8, false, QStringLiteral("DejaVu Sans")));
    const QSize textSize(metrics.horizontalAdvance(text_) + 2 * kMarginX, metrics.height() + 2 * kMarginY);
    const bool compositor = CompositorPlacesWindows();
    QRect desktop(0, 0, 1 << 16, 1 << 16);
    if (compositor)
        // The compositor keeps the hint on the screen itself: only it knows where the window stands.
        desktop.moveTopLeft(globalPos - QPoint(1 << 15, 1 << 15));
    else if (const QScreen* screen = QGuiApplication::screenAt(globalPos))
        desktop = screen->virtualGeometry();
    else if (const QScreen* primary = QGuiApplication::primaryScreen())
        desktop = primary->virtualGeometry();
    const QRect placed = PlaceHint(QRect(globalPos + QPoint(0, kBelowPointer), textSize), desktop);
    if (compositor) placeOver(over, placed.topLeft());
    setGeometry(placed);
    paintPicture(placed.size());
    show();
    raise();
    update();
}

void HintWindow::placeOver(QWidget* over, QPoint topLeft) {
    // The hint is a popup of the window it tells about, placed relative to it: one with no parent
    // would be a window of its own, put wherever the compositor puts new windows.
    winId();
    QWindow* parent = over && over->window()->windowHandle() ? over->window()->windowHandle() : nullptr;
    QWindow* own = windowHandle();
    if (own->transientParent() == parent && (!isVisible() || pos() == topLeft)) return;
    // A popup's place is fixed when it appears: a hint that moves, or changes windows, appears anew.
    hide();
    own->setTransientParent(parent);
}

void HintWindow::hideHint() {
    hide();
}

void HintWindow::paintPicture(QSize size) {
    image_ = PaintHint(size, text_, skin_.color(), qRound(devicePixelRatioF()));
}

void HintWindow::paintEvent(QPaintEvent*) {
    // Shown on a screen of another ratio than the last, the hint's texts follow it.
    if (image_.devicePixelRatio() != qRound(devicePixelRatioF())) paintPicture(size());
    QPainter painter(this);
    painter.drawImage(0, 0, image_);
}
