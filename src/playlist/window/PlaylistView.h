#pragma once
#include <QByteArrayList>
#include <QListView>

class PlaylistModel;
class TrackInfoCache;

// The list of the playlist window: owner-painted rows, several selected at once, Enter and a double
// click to play, Up and Down for its rows whatever the window binds them to, Ctrl+A to select all,
// Delete to remove, rows reordered by dragging them, and files dropped from outside handed on. Rules
// that belong to playback are signalled, not done here.
class PlaylistView : public QListView {
    Q_OBJECT
  public:
    // What a drag of rows carries; only a drag from this very view reorders it.
    static constexpr const char* kRowsMimeType = "application/x-vexo-playlist-rows";

    PlaylistView(PlaylistModel& model, TrackInfoCache& cache, QWidget* parent = nullptr);

    PlaylistModel& playlist() { return model_; }
    // The mime data a drag of this view's selected rows carries.
    QMimeData* rowsMimeData() const;
    // Moves the selected rows to just before the row at a point of the viewport, or to the end when
    // the point lies below the last row.
    void moveSelectedTo(QPoint viewportPos);

  signals:
    // Enter or a double click: the lowest selected row is to be played.
    void playRequested();
    // The Delete key removed the selected rows (all of them, when the list is now empty).
    void rowsDeletedByKey();
    void pathsDropped(const QByteArrayList& paths);

  protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    bool ownRows(const QMimeData* mime) const;
    bool acceptable(const QMimeData* mime) const;

    PlaylistModel& model_;
};
