#include "InfoWindow.h"

#include "InfoTexts.h"
#include "PlaybackController.h"
#include "RoundedRegion.h"
#include "Skin.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

InfoWindow::InfoWindow(AudioEngine& engine, const PlaybackController& controller, const Skin& skin)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), engine_(engine),
      controller_(controller), skin_(skin) {
    setWindowTitle(QStringLiteral("Информация о треке"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedSize(InfoPanel::kSize);
    setMask(RoundedRegion(size()));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());

    connect(&panel_, &InfoPanel::changed, this, [this] { redraw(); });
    connect(&panel_, &InfoPanel::closeClicked, this, &QWidget::hide);
    // A hidden window draws nothing: it reads everything afresh when it is shown.
    const auto follow = [this] {
        if (!isVisible()) return;
        refreshTexts();
        redraw();
    };
    connect(&controller, &PlaybackController::trackStarted, this, follow);
    connect(&controller, &PlaybackController::trackFactsRead, this, follow);
    connect(&controller, &PlaybackController::stopped, this, follow);
    connect(&skin, &Skin::changed, this, [this] {
        if (isVisible()) redraw();
    });
}

void InfoWindow::open() {
    if (isVisible() || controller_.Channel() == 0) return;
    show();
    raise();
    activateWindow();
}

void InfoWindow::refreshTexts() {
    codecText_.clear();
    bitrateText_.clear();
    const QByteArray& file = controller_.CurrentFile();
    if (file.isEmpty()) return;
    codecText_ = CodecLabel(file);
    bitrateText_ = BitrateText(engine_.GetBitrate(controller_.Channel()));
}

void InfoWindow::redraw() {
    paintPicture();
    update();
}

void InfoWindow::paintPicture() {
    picture_ =
        panel_.paint(ReadInfoContent(engine_, controller_.Channel(), codecText_, bitrateText_, skin_.color()),
                     qRound(devicePixelRatioF()));
}

void InfoWindow::showEvent(QShowEvent* event) {
    // Hidden, it followed nothing: shown again with a player back from the tray, a track may have
    // started meanwhile.
    refreshTexts();
    redraw();
    QWidget::showEvent(event);
}

void InfoWindow::paintEvent(QPaintEvent*) {
    // Moved onto a screen of another ratio, the window is repainted whole: its texts follow.
    if (picture_.devicePixelRatio() != qRound(devicePixelRatioF())) paintPicture();
    QPainter painter(this);
    painter.drawImage(0, 0, picture_);
}

void InfoWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape)
        hide();
    else
        QWidget::keyPressEvent(event);
}

void InfoWindow::mousePressEvent(QMouseEvent* event) {
    if (panel_.press(event->position().toPoint(), event->button())) drag_.start(*event);
}

void InfoWindow::mouseDoubleClickEvent(QMouseEvent* event) {
    // Two quick presses are two presses: the second may be the close box's.
    mousePressEvent(event);
}

void InfoWindow::mouseReleaseEvent(QMouseEvent* event) {
    panel_.release(event->position().toPoint(), event->button());
}
