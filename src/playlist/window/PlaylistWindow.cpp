#include "PlaylistWindow.h"

#include "DroppedPaths.h"
#include "FileDialogs.h"
#include "FolderScanJob.h"
#include "M3uWriter.h"
#include "PaintBox.h"
#include "PlaylistAdder.h"
#include "PlaylistModel.h"
#include "PlaylistView.h"
#include "RepaintWithChildren.h"
#include "RoundedRegion.h"
#include "Skin.h"
#include "SkinFont.h"

#include <QCloseEvent>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <climits>

namespace {
constexpr QPoint kListTopLeft{7, 24};
constexpr int kListWidth = 305;
} // namespace

PlaylistWindow::PlaylistWindow(PlaylistModel& model, PlaylistAdder& adder, TrackInfoCache& cache,
                               FileDialogs& dialogs, const Skin& skin, HintWindow& hint, QWidget* parent)
    : QWidget(parent), model_(model), adder_(adder), cache_(cache), dialogs_(dialogs), skin_(skin),
      hint_(hint) {
    // What a screen reader calls the part, by the title painted on it.
    setAccessibleName(QStringLiteral("PlayList"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    // A press or a wheel on the playlist's ground is nobody's: it neither drags the window it is
    // part of nor turns the volume there.
    setAttribute(Qt::WA_NoMousePropagation);
    setAcceptDrops(true);
    setFont(SkinFont(8));
    setFixedWidth(kWidth);
    setMinimumHeight(kMinHeight);
    resize(kWidth, 210);

    list_ = new PlaylistView(model, cache, this);
    list_->move(kListTopLeft);
    // A click anywhere on the playlist gives the keys to its list, as activating its own window did.
    setFocusPolicy(Qt::ClickFocus);
    setFocusProxy(list_);
    const QPoint buttonPlaces[] = {{8, 0}, {48, 0}, {88, 0}};
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        boxes_[i] = new PaintBox(buttons_[i], hint_, this);
        boxes_[i]->move(buttonPlaces[i]);
    }
    stripBox_ = new PaintBox(strip_, hint_, this);
    stripBox_->setCursor(Qt::SizeVerCursor);

    // The ground and every box are drawn in the skin colour; each picture follows it at its repaint.
    connect(&skin, &Skin::changed, this, [this] { RepaintWithChildren(*this); });

    execMenu = [](QMenu& menu, QPoint at) { return menu.exec(at); };
    wire();
}

PlaylistWindow::~PlaylistWindow() = default;

void PlaylistWindow::wire() {
    connect(&button(ListButtonKind::Add), &ListButton::triggered, this, &PlaylistWindow::openAddMenu);
    connect(&button(ListButtonKind::Del), &ListButton::triggered, this, &PlaylistWindow::openDelMenu);
    connect(&button(ListButtonKind::Save), &ListButton::triggered, this, &PlaylistWindow::save);

    strip_.windowRect = [this] { return QRect(mapToGlobal(QPoint(0, 0)), size()); };
    strip_.screenHeight = [this] { return screen() ? screen()->geometry().bottom() + 1 : INT_MAX; };
    connect(&strip_, &SizeStrip::resizeRequested, this, [this](int height) {
        resize(kWidth, std::max(kMinHeight, height));
        list_->viewport()->update();
    });

    connect(list_, &PlaylistView::playRequested, this, &PlaylistWindow::playRequested);
    connect(list_, &PlaylistView::rowsDeletedByKey, this, &PlaylistWindow::rowsDeletedByKey);
    connect(list_, &PlaylistView::pathsDropped, this, &PlaylistWindow::pathsDropped);
}

void PlaylistWindow::openAddMenu() {
    QAction* chosen = execMenu(menus_.addMenu, QCursor::pos());
    if (chosen == menus_.addFiles)
        addFiles();
    else if (chosen == menus_.addFolder)
        addFolder();
    else if (chosen == menus_.addPlaylist)
        addPlaylist();
}

void PlaylistWindow::openDelMenu() {
    QAction* chosen = execMenu(menus_.delMenu, QCursor::pos());
    // Neither touches the playing track or the playback cursors.
    if (chosen == menus_.deleteFiles)
        model_.deleteSelected();
    else if (chosen == menus_.clear)
        model_.clear();
}

void PlaylistWindow::report(const FileResult& result) {
    if (!result.ok()) emit fileFailed(result.error());
}

void PlaylistWindow::addFiles() {
    QByteArrayList paths;
    for (const QString& file : dialogs_.openFiles(this))
        paths.append(QFile::encodeName(file));
    report(adder_.addPaths(paths));
}

void PlaylistWindow::addPlaylist() {
    const QString file = dialogs_.openPlaylist(this);
    if (file.isEmpty()) return;
    report(adder_.LoadPlaylist(QFile::encodeName(file)));
}

void PlaylistWindow::save() {
    emit rowCountChecked();
    if (model_.count() == 0) return;
    const QString file = dialogs_.savePlaylistName(this);
    if (file.isEmpty()) return;
    report(SavePlaylist(QFile::encodeName(file), model_, &cache_));
}

void PlaylistWindow::addFolder() {
    const QString folder = dialogs_.folder(this);
    if (!folder.isEmpty()) scanFolder(QFile::encodeName(folder));
}

void PlaylistWindow::scanFolder(const QByteArray& folder) {
    pendingFolders_.push_back(folder);
    if (!scan_) startNextScan();
}

void PlaylistWindow::startNextScan() {
    if (pendingFolders_.empty() || appClosing_) return;
    scan_ = std::make_unique<FolderScanJob>(pendingFolders_.front(), QByteArrayLiteral("*.*"), true);
    pendingFolders_.pop_front();
    connect(scan_.get(), &FolderScanJob::filesFound, this, [this](const QByteArrayList& paths) {
        const FileResult added = adder_.addPaths(paths);
        if (added.ok()) return;
        // The rows found before the unreadable playlist stay; the walk ends here.
        scan_->cancel();
        report(added);
    });
    connect(scan_.get(), &FolderScanJob::finished, this, [this] {
        // The job is inside its own signal: it goes once the signal has returned.
        scan_.release()->deleteLater();
        emit folderAdded();
        startNextScan();
    });
    scan_->start();
}

void PlaylistWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, background_.image(size(), qRound(devicePixelRatioF())));
}

void PlaylistWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    setMask(RoundedRegion(size()));
    const int h = height();
    const int listHeight = h - kChromeHeight;
    list_->setGeometry(QRect(kListTopLeft, QSize(kListWidth, listHeight)));
    for (PaintBox* box : boxes_)
        box->move(box->x(), listHeight + 24);
    stripBox_->move(0, h - 3);
    update();
}

void PlaylistWindow::closeEvent(QCloseEvent* event) {
    if (!appClosing_) {
        event->ignore();
        return;
    }
    setAcceptDrops(false);
    pendingFolders_.clear();
    scan_.reset();
    event->accept();
}

void PlaylistWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void PlaylistWindow::dropEvent(QDropEvent* event) {
    const QByteArrayList paths = DroppedPaths(event->mimeData());
    event->acceptProposedAction();
    if (!paths.isEmpty()) emit pathsDropped(paths);
}
