#pragma once
#include "PlaylistEntry.h"
#include "RowMark.h"

#include <QAbstractListModel>
#include <QItemSelectionModel>

#include <functional>
#include <utility>
#include <vector>

// The playlist: ordered rows, which of them are selected, the row being played
// and the cursors playback steps from. Indices out of range are ignored by
// every method.
//
// The selection lives in one place, the selection model below: the list view
// shows and changes that very object, and the player's rules read and set it
// through the methods here, so the two can never disagree.
//
// The playing row and the cursors stay on their rows through every insert,
// delete, move and clear, so the row painted as playing is the one that plays
// and the track after it is the one that follows it in the list. When the
// playing row itself goes, no row is painted as playing and the place where it
// stood tells what comes next.
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

    // What a screen reader calls a row (AccessibleTextRole): the title the view shows. Unset, the
    // path.
    std::function<QString(int row)> rowName;

    int count() const { return int(rows_.size()); }
    const PlaylistEntry& Row(int i) const;

    void append(const QString& caption, const QString& timeText, const QByteArray& path);
    void appendRows(std::vector<PlaylistEntry> rows);
    // An empty row at i (0..count()); rows from i on move down by one.
    void insertBefore(int i);
    // The three texts of one row into another; the selection stays.
    void copyRow(int from, int to);
    void deleteRow(int i);
    void deleteSelected();
    void clear();

    void selectAll();
    void clearSelection();
    void setSelected(int i, bool on);
    bool isSelected(int i) const;
    // The lowest selected row, or -1.
    int selectedIndex() const;
    // The first selected row after `after`, or -1.
    int nextSelected(int after) const;

    // Selects every row whose text in the column (0 Caption, 1 TimeText,
    // 2 Path) equals text without regard to case, and makes the last of them
    // current. An empty text or a negative column matches nothing.
    void SelectByText(const QString& text, int column);
    // The same for column 2 with the path's own bytes, so that names which
    // are not valid UTF-8 are matched exactly.
    void selectByPath(const QByteArray& path);

    // The row being played, or -1 (none started, Stop, or its row deleted).
    int CurrentTrack() const { return marks_[Current].row(); }
    void setCurrentTrack(int i);

    // Current: the playing row. Nav: the cursor Back and Next step from. Repeat: the row the
    // one-track mode plays again. Follower: the row opened to follow the playing one; AfterFollower:
    // the row opened to follow that one once it took over, before it is heard.
    enum Mark { Current, Nav, Repeat, Follower, AfterFollower, MarkCount };
    const RowMark& mark(Mark which) const { return marks_[which]; }
    void setMark(Mark which, RowMark mark);

    // Moves the selected rows, in their order, to just before row beforeRow
    // (past the end or -1: to the end). Dropped on one of the moved rows, they
    // go before the first unmoved row after it. The moved rows end unselected,
    // except that every row holding the playing row's path ends selected.
    void moveSelected(int beforeRow);

    // The selection itself, for the list view to show and change.
    QItemSelectionModel& selectionModel() { return selection_; }

  private:
    // Select every matching row and give the last of them, or -1.
    int selectMatching(const std::function<bool(const PlaylistEntry&)>& matches);
    int selectPath(const QByteArray& path);
    template <typename Edit> void followEdit(Edit edit) {
        for (RowMark& mark : marks_)
            edit(mark);
    }
    bool valid(int i) const { return i >= 0 && i < count(); }
    void rowChanged(int i);
    // One flag per row, set for the selected ones: for the passes that go over every row anyway.
    std::vector<char> selectedMask() const;

    std::vector<PlaylistEntry> rows_;
    RowMark marks_[MarkCount] = {RowMark(), RowMark::On(0), RowMark::On(0), RowMark(), RowMark()};
    // Ranges of rows, so that a select-all of 100,000 rows is one range; they follow inserted and
    // removed rows by themselves.
    QItemSelectionModel selection_{this};
};
