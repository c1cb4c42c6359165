#include "MainWindow.h"

#include "DroppedPaths.h"
#include "PaintBox.h"
#include "RepaintWithChildren.h"
#include "RoundedRegion.h"
#include "WindowSystem.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

namespace {
// Where the ticker is parked when the playlist button is used while nothing plays.
constexpr int kParkedTickerOffset = 115;
} // namespace

MainWindow::MainWindow(const Skin& skin, HintWindow& hint, Beat& beat, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), skin_(skin), hint_(hint), beat_(beat),
      runTimer_(beat) {
    setWindowTitle(QStringLiteral("Vexo MP"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAcceptDrops(true);
    setMaximumWidth(595);
    setMinimumHeight(120);
    fitParts();
    // A click on the main part takes the keys from the playlist's list, as a click on another window
    // would; the boxes take no focus of their own, so the click reaches the window.
    setFocusPolicy(Qt::ClickFocus);

    struct Place {
        BoxLogic* logic;
        QPoint at;
        QPoint imageOffset;
    };
    const Place places[] = {
        {&ticker_, {64, 8}, {}},          {&titleBar_[0], {278, 8}, {}}, {&titleBar_[1], {290, 8}, {}},
        {&titleBar_[2], {302, 8}, {}},    {&labels_[0], {10, 58}, {}},   {&labels_[1], {36, 58}, {}},
        {&labels_[2], {62, 58}, {}},      {&press_[0], {12, 100}, {}},   {&press_[1], {36, 100}, {}},
        {&press_[2], {60, 100}, {}},      {&press_[3], {84, 100}, {}},   {&press_[4], {108, 100}, {}},
        {&press_[5], {132, 100}, {1, 0}},
    };
    for (const Place& place : places) {
        auto* box = new PaintBox(*place.logic, hint_, this, place.imageOffset);
        box->move(place.at);
        boxes_.push_back(box);
    }
    wireButtons();

    runTimer_.setInterval(TitleTicker::kStepMs);
    connect(&runTimer_, &BeatTimer::timeout, this, [this] { ticker_.step(); });
    // The frame and every box, the ones placed by others too, are drawn in the skin colour; each
    // picture follows it at its repaint.
    connect(&skin, &Skin::changed, this, [this] { RepaintWithChildren(*this); });
    connect(&drag_, &WindowDrag::finished, this, &MainWindow::endDrag);
}

MainWindow::~MainWindow() = default;

void MainWindow::wireButtons() {
    connect(&titleBar_[0], &TitleBarButton::clicked, this, &MainWindow::minimiseRequested);
    connect(&titleBar_[1], &TitleBarButton::clicked, this,
            [this] { setStayOnTop(titleBar_[1].stayOnTop()); });
    connect(&titleBar_[2], &TitleBarButton::clicked, this, &QWidget::close);
    connect(&labels_[0], &LabelButton::toggleRequested, this,
            [this] { labels_[0].setShown(togglePlaylist()); });
    connect(&labels_[1], &LabelButton::toggleRequested, this, [this] {
        setMainPartHeight(mainPartHeight_ == kHeightWithEq ? kHeight : kHeightWithEq);
        labels_[1].setShown(mainPartHeight_ == kHeightWithEq);
    });
    connect(&labels_[2], &LabelButton::modeChanged, this, &MainWindow::modeChanged);
    connect(&ticker_, &TitleTicker::motionChanged, this, &MainWindow::updateTickerTimer);
    connect(&ticker_, &TitleTicker::infoRequested, this, &MainWindow::infoWindowRequested);
}

PaintBox* MainWindow::addBox(BoxLogic& logic, QPoint topLeft) {
    auto* box = new PaintBox(logic, hint_, this);
    box->move(topLeft);
    // The equalizer's boxes lie where the playlist starts while the panel is closed: under it.
    if (playlist_) box->stackUnder(playlist_);
    box->show();
    boxes_.push_back(box);
    return box;
}

PaintBox* MainWindow::boxOf(const BoxLogic& logic) const {
    for (PaintBox* box : boxes_)
        if (&box->logic() == &logic) return box;
    return nullptr;
}

PressButton& MainWindow::pressButton(PressKind kind) {
    return press_[std::size_t(kind)];
}

TitleBarButton& MainWindow::titleBarButton(TitleBarKind kind) {
    return titleBar_[std::size_t(kind)];
}

LabelButton& MainWindow::labelButton(LabelKind kind) {
    return labels_[std::size_t(kind)];
}

void MainWindow::updateTickerTimer() {
    // A standing or empty ticker needs no 50 Hz wake-ups.
    if (ticker_.moving()) {
        if (!runTimer_.isActive()) runTimer_.start();
    } else {
        runTimer_.stop();
    }
}

void MainWindow::setStayOnTop(bool on) {
    if (titleBar_[1].stayOnTop() != on) titleBar_[1].setStayOnTop(on);
    // A compositor takes no such request: the button and the setting stay for X11 sessions, and the
    // surface is not made anew for a flag nobody reads.
    if (CompositorPlacesWindows() || bool(windowFlags() & Qt::WindowStaysOnTopHint) == on) return;
    const bool visible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    // Changing a window flag hides the window on X11; bring it back where it was, not activated.
    if (visible) {
        setAttribute(Qt::WA_ShowWithoutActivating);
        show();
        setAttribute(Qt::WA_ShowWithoutActivating, false);
    }
}

void MainWindow::setEqShown(bool shown) {
    if (labels_[1].shown() != shown) labels_[1].setShown(shown);
    setMainPartHeight(shown ? kHeightWithEq : kHeight);
}

void MainWindow::setMainPartHeight(int height) {
    if (height == mainPartHeight_) return;
    mainPartHeight_ = height;
    fitParts();
    update();
    emit mainPartHeightChanged(height);
}

void MainWindow::setPlaylistShown(bool shown) {
    if (labels_[0].shown() != shown) labels_[0].setShown(shown);
    playlistWanted_ = shown;
    if (playlist_) playlist_->setVisible(shown);
}

bool MainWindow::playlistPartShown() const {
    // Hidden by the user, not merely away with a minimised or hidden window.
    return playlist_ && !playlist_->isHidden();
}

bool MainWindow::togglePlaylist() {
    bool visible;
    if (playlist_) {
        playlist_->setVisible(!playlistPartShown());
        visible = playlistPartShown();
    } else {
        // The flag alone stands for the window until it exists; the label already lit on the press.
        visible = playlistWanted_ = !playlistWanted_;
    }
    if (!(trackPlaying && trackPlaying())) ticker_.setTickerOffset(kParkedTickerOffset);
    return visible;
}

void MainWindow::setPlayMode(int mode) {
    labels_[2].setMode(mode);
}

void MainWindow::setPlaylistPart(QWidget* part) {
    if (playlist_) playlist_->removeEventFilter(this);
    playlist_ = part;
    if (part) {
        playlistHeight_ = part->height();
        part->setParent(this);
        part->setVisible(playlistWanted_);
        // Above the equalizer's boxes, which it covers while the panel is closed.
        part->raise();
        part->installEventFilter(this);
    }
    fitParts();
}

int MainWindow::playlistHeight() const {
    return playlist_ ? playlist_->height() : playlistHeight_;
}

void MainWindow::setPlaylistHeight(int height) {
    playlistHeight_ = height;
    if (playlist_) playlist_->resize(playlist_->width(), height);
}

void MainWindow::fitParts() {
    const bool listShown = playlistPartShown();
    if (playlist_) playlist_->move(0, mainPartHeight_);
    setFixedSize(kWidth, mainPartHeight_ + (listShown ? playlist_->height() : 0));
    // Each part keeps its own rounded corners, where the two windows had theirs.
    QRegion shape = RoundedRegion({kWidth, mainPartHeight_});
    if (listShown) shape += RoundedRegion(playlist_->size()).translated(0, mainPartHeight_);
    setMask(shape);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == playlist_ && (event->type() == QEvent::Resize || event->type() == QEvent::ShowToParent ||
                                 event->type() == QEvent::HideToParent))
        fitParts();
    return false;
}

void MainWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, background_.image(mainPartHeight_, qRound(devicePixelRatioF())));
}

void MainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Back from a minimise or a hide: every animation shows where it stands now.
    beat_.release();
    // The settings are applied before the window is first painted, and only once: a restore from
    // the tray must not reload them.
    if (firstShowing_) {
        firstShowing_ = false;
        // The keys start with the main part, not with the first box of the playlist that takes them.
        if (!focusWidget()) setFocus(Qt::OtherFocusReason);
        emit firstShown();
        updateTickerTimer();
    }
}

void MainWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // Minimised (a spontaneous hide) or hidden, with the side windows gone along: nothing that
    // moves is on the screen, and the sound needs no beat.
    beat_.hold();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    runTimer_.stop();
    emit closing();
    event->accept();
}

void MainWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        emit colourWindowRequested();
        return;
    }
    if (event->button() != Qt::LeftButton) return;
    // The whole window moves, the playlist with it; the four-way cursor tells that it is all one.
    if (playlistPartShown()) setCursor(Qt::SizeAllCursor);
    drag_.start(*event);
}

void MainWindow::endDrag() {
    unsetCursor();
}

void MainWindow::wheelEvent(QWheelEvent* event) {
    // The boxes leave the wheel to the window, so it arrives here from anywhere over it.
    if (wheelBox_) {
        wheelBox_->logic().wheel(wheelBox_->mapFrom(this, event->position().toPoint()),
                                 event->angleDelta().y());
        wheelBox_->refreshHint();
    }
    event->accept();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QByteArrayList paths = DroppedPaths(event->mimeData());
    if (!paths.isEmpty()) emit pathsDropped(paths);
    event->acceptProposedAction();
}
