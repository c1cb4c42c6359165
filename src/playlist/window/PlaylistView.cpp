#include "PlaylistView.h"

#include "DroppedPaths.h"
#include "PlaylistDelegate.h"
#include "PlaylistModel.h"
#include "PlaylistRow.h"
#include "TrackInfoCache.h"

#include <QCoreApplication>
#include <QDrag>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>

namespace {
// Identifies one view of one process, so a drag between two running players is not a reorder.
QByteArray ViewToken(const PlaylistView* view) {
    return QByteArray::number(QCoreApplication::applicationPid()) + ':' +
           QByteArray::number(quintptr(view), 16);
}
} // namespace

PlaylistView::PlaylistView(PlaylistModel& model, TrackInfoCache& cache, QWidget* parent)
    : QListView(parent), model_(model) {
    setModel(&model);
    // The mouse and the keys change the playlist's own selection, not a copy of it.
    QItemSelectionModel* own = selectionModel();
    setSelectionModel(&model.selectionModel());
    delete own;
    setItemDelegate(new PlaylistDelegate(model, cache, this));
    // A screen reader names each row by the title painted on it, not by its file's path.
    model.rowName = [&model, &cache](int row) { return cache.Lookup(model.Row(row).Path).title; };
    // Titles and durations arrive after the rows were first painted with file names.
    connect(&cache, &TrackInfoCache::ready, viewport(), qOverload<>(&QWidget::update));
    // Every row is as high as the first: the view lays out 100,000 rows without asking each one.
    setUniformItemSizes(true);
    setSelectionMode(ExtendedSelection);
    setSelectionBehavior(SelectRows);
    setEditTriggers(NoEditTriggers);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    setDropIndicatorShown(false);
    setFrameShape(NoFrame);
    setFont(RowFont());
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setCursor(Qt::PointingHandCursor);
    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::white);
    setPalette(colours);
}

bool PlaylistView::event(QEvent* event) {
    // Up and Down move through the rows even where the window around the list binds them to
    // something else (the volume, on the player's window).
    if (event->type() == QEvent::ShortcutOverride) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            event->accept();
            return true;
        }
    }
    return QListView::event(event);
}

QMimeData* PlaylistView::rowsMimeData() const {
    auto* mime = new QMimeData;
    mime->setData(kRowsMimeType, ViewToken(this));
    return mime;
}

bool PlaylistView::ownRows(const QMimeData* mime) const {
    return mime && mime->data(kRowsMimeType) == ViewToken(this);
}

bool PlaylistView::acceptable(const QMimeData* mime) const {
    return ownRows(mime) || (mime && mime->hasUrls());
}

void PlaylistView::moveSelectedTo(QPoint viewportPos) {
    // A point below the last row names no row: the rows go to the end.
    model_.moveSelected(indexAt(viewportPos).row());
}

void PlaylistView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        emit playRequested();
        viewport()->update();
        return;
    case Qt::Key_A:
        // Other modifiers may be held as well: Ctrl+Shift+A selects all too.
        if (!(event->modifiers() & Qt::ControlModifier)) break;
        model_.selectAll();
        return;
    case Qt::Key_Delete:
        model_.deleteSelected();
        emit rowsDeletedByKey();
        return;
    default:
        break;
    }
    QListView::keyPressEvent(event);
}

void PlaylistView::mouseDoubleClickEvent(QMouseEvent* event) {
    // The press has selected the row under the pointer (or cleared the selection below the rows).
    QListView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) emit playRequested();
}

void PlaylistView::startDrag(Qt::DropActions) {
    if (model_.selectedIndex() < 0) return;
    // The rows themselves stay in the model; the drag carries only who it comes from, so starting
    // a drag of 10,000 rows costs nothing.
    auto* drag = new QDrag(this);
    drag->setMimeData(rowsMimeData());
    drag->exec(Qt::MoveAction);
}

void PlaylistView::dragEnterEvent(QDragEnterEvent* event) {
    if (acceptable(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void PlaylistView::dragMoveEvent(QDragMoveEvent* event) {
    // The base class scrolls when the pointer nears an edge; the answer is ours.
    QListView::dragMoveEvent(event);
    if (acceptable(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void PlaylistView::dropEvent(QDropEvent* event) {
    const QMimeData* mime = event->mimeData();
    if (ownRows(mime)) {
        moveSelectedTo(event->position().toPoint());
        event->acceptProposedAction();
        return;
    }
    if (!mime || !mime->hasUrls()) {
        event->ignore();
        return;
    }
    const QByteArrayList paths = DroppedPaths(mime);
    event->acceptProposedAction();
    if (!paths.isEmpty()) emit pathsDropped(paths);
}
