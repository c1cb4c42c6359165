#pragma once
#include "PlaylistEntry.h"

#include <QAbstractListModel>

#include <functional>
#include <utility>
#include <vector>

// The playlist: ordered rows, each with its own selected flag, and the index
// of the row being played. Indices out of range are ignored by every method.
//
// CurrentTrack is a plain index: inserting or deleting rows does not shift it,
// so after a deletion above the playing row it names the row that moved into
// its place, until a reorder re-finds the playing row by its path.
class PlaylistModel : public QAbstractListModel {
    Q_OBJECT
  public:
    enum Role { PathRole = Qt::UserRole + 1, CaptionRole, TimeTextRole, SelectedRole, CurrentRole };

    explicit PlaylistModel(QObject* parent = nullptr) : QAbstractListModel(parent) {}

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    // DisplayRole gives the path as text; views paint titles through TrackInfoCache.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // Rows can be picked up with the mouse: a press and a drag on a selected row moves the selection.
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    int Count() const { return int(rows_.size()); }
    const PlaylistEntry& Row(int i) const;

    void Append(const QString& caption, const QString& timeText, const QByteArray& path);
    void AppendRows(std::vector<PlaylistEntry> rows);
    // An empty row at i (0..Count); rows from i on move down by one.
    void InsertBefore(int i);
    // The three texts of one row into another; selection flags stay.
    void CopyRow(int from, int to);
    void DeleteRow(int i);
    void DeleteSelected();
    void Clear();

    void SelectAll();
    void ClearSelection();
    void SetSelected(int i, bool on);
    bool IsSelected(int i) const;
    // The lowest selected row, or -1.
    int SelectedIndex() const;
    // The first selected row after `after`, or -1.
    int NextSelected(int after) const;

    // Selects every row whose text in the column (0 Caption, 1 TimeText,
    // 2 Path) equals text without regard to case, and makes the last of them
    // current. An empty text or a negative column matches nothing.
    void SelectByText(const QString& text, int column);
    // The same for column 2 with the path's own bytes, so that names which
    // are not valid UTF-8 are matched exactly.
    void SelectByPath(const QByteArray& path);

    int CurrentTrack() const { return currentTrack_; }
    void SetCurrentTrack(int i);

    // Moves the selected rows, in their order, to just before row beforeRow
    // (past the end or -1: to the end). Dropped on one of the moved rows, they
    // go before the first unmoved row after it. The moved rows end unselected
    // and the playing row is re-found by its path, as after a drag in the list.
    void MoveSelected(int beforeRow);

    // The selection a list view made, as sorted, disjoint [first, last] row ranges: every other row
    // is deselected. No signal follows, since the view already knows.
    void ReplaceSelection(const std::vector<std::pair<int, int>>& ranges);

  signals:
    // The selected flags of rows first..last may have changed by a call other than ReplaceSelection.
    void selectionFlagsChanged(int first, int last);

  private:
    // Selects every matching row and makes the last of them current.
    void SelectMatching(const std::function<bool(const PlaylistEntry&)>& matches);
    bool valid(int i) const { return i >= 0 && i < Count(); }
    void rowChanged(int i);

    std::vector<PlaylistEntry> rows_;
    std::vector<char> selected_; // parallel to rows_
    int selectedCount_ = 0;      // lets DeleteSelected and SelectedIndex stop early
    int currentTrack_ = -1;
};
