#include "PlaylistModel.h"

#include <functional>

#include <QFile>

#include <algorithm>
#include <utility>

namespace {
const PlaylistEntry kNoRow{};

bool validUtf8(const QByteArray& bytes) {
    return QString::fromUtf8(bytes).toUtf8() == bytes;
}
} // namespace

int PlaylistModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count();
}

QVariant PlaylistModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !valid(index.row())) return {};
    const PlaylistEntry& row = rows_[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return QFile::decodeName(row.Path);
    case Qt::AccessibleTextRole:
        if (rowName) return rowName(index.row());
        return QFile::decodeName(row.Path);
    case PathRole:
        return row.Path;
    case CaptionRole:
        return row.Caption;
    case TimeTextRole:
        return row.TimeText;
    case SelectedRole:
        return isSelected(index.row());
    case CurrentRole:
        return index.row() == CurrentTrack();
    default:
        return {};
    }
}

Qt::ItemFlags PlaylistModel::flags(const QModelIndex& index) const {
    const Qt::ItemFlags flags = QAbstractListModel::flags(index);
    return index.isValid() ? flags | Qt::ItemIsDragEnabled : flags;
}

const PlaylistEntry& PlaylistModel::Row(int i) const {
    return valid(i) ? rows_[size_t(i)] : kNoRow;
}

void PlaylistModel::rowChanged(int i) {
    if (valid(i)) emit dataChanged(index(i), index(i));
}

void PlaylistModel::append(const QString& caption, const QString& timeText, const QByteArray& path) {
    appendRows({PlaylistEntry{caption, timeText, path}});
}

void PlaylistModel::appendRows(std::vector<PlaylistEntry> rows) {
    if (rows.empty()) return;
    const int first = count();
    beginInsertRows({}, first, first + int(rows.size()) - 1);
    rows_.insert(rows_.end(), std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
    endInsertRows();
}

void PlaylistModel::insertBefore(int i) {
    if (i < 0 || i > count()) return;
    beginInsertRows({}, i, i);
    rows_.insert(rows_.begin() + i, PlaylistEntry{});
    followEdit([i](RowMark& mark) { mark.inserted(i, 1); });
    endInsertRows();
}

void PlaylistModel::copyRow(int from, int to) {
    if (!valid(from) || !valid(to) || from == to) return;
    rows_[size_t(to)] = rows_[size_t(from)];
    rowChanged(to);
}

void PlaylistModel::deleteRow(int i) {
    if (!valid(i)) return;
    beginRemoveRows({}, i, i);
    rows_.erase(rows_.begin() + i);
    followEdit([i](RowMark& mark) { mark.removed(i, i); });
    endRemoveRows();
}

std::vector<char> PlaylistModel::selectedMask() const {
    std::vector<char> mask(rows_.size(), 0);
    for (const QItemSelectionRange& range : selection_.selection())
        std::fill(mask.begin() + std::max(range.top(), 0),
                  mask.begin() + std::min(range.bottom() + 1, count()), 1);
    return mask;
}

void PlaylistModel::deleteSelected() {
    const QItemSelection selected = selection_.selection();
    if (selected.isEmpty()) return;
    // One contiguous block is an ordinary removal; scattered rows are
    // compacted in one pass and announced as a single reset, never as one
    // signal per row (a 100,000-row select-all delete must not crawl).
    if (selected.size() == 1) {
        const int first = selected.first().top(), last = selected.first().bottom();
        beginRemoveRows({}, first, last);
        rows_.erase(rows_.begin() + first, rows_.begin() + last + 1);
        followEdit([first, last](RowMark& mark) { mark.removed(first, last); });
        endRemoveRows();
        return;
    }
    const std::vector<char> mask = selectedMask();
    beginResetModel();
    size_t kept = 0;
    for (size_t i = 0; i < rows_.size(); ++i)
        if (!mask[i]) rows_[kept++] = std::move(rows_[i]);
    rows_.resize(kept);
    followEdit([&mask](RowMark& mark) { mark.removed(mask); });
    endResetModel();
}

void PlaylistModel::clear() {
    if (rows_.empty()) return;
    beginResetModel();
    rows_.clear();
    followEdit([](RowMark& mark) { mark.cleared(); });
    endResetModel();
}

void PlaylistModel::selectAll() {
    if (rows_.empty()) return;
    selection_.select(QItemSelection(index(0), index(count() - 1)), QItemSelectionModel::ClearAndSelect);
}

void PlaylistModel::clearSelection() {
    selection_.clearSelection();
}

void PlaylistModel::setSelected(int i, bool on) {
    if (!valid(i)) return;
    selection_.select(index(i), on ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
}

bool PlaylistModel::isSelected(int i) const {
    return valid(i) && selection_.isSelected(index(i));
}

int PlaylistModel::selectedIndex() const {
    return nextSelected(-1);
}

int PlaylistModel::nextSelected(int after) const {
    int next = -1;
    for (const QItemSelectionRange& range : selection_.selection()) {
        const int first = std::max(range.top(), after + 1);
        if (first <= range.bottom() && (next < 0 || first < next)) next = first;
    }
    return next;
}

void PlaylistModel::setCurrentTrack(int i) {
    setMark(Current, RowMark::On(i));
}

void PlaylistModel::setMark(Mark which, RowMark mark) {
    const int old = marks_[which].row();
    marks_[which] = mark;
    if (which != Current || old == mark.row()) return;
    rowChanged(old);
    rowChanged(mark.row());
}

int PlaylistModel::selectMatching(const std::function<bool(const PlaylistEntry&)>& matches) {
    // Runs of matching rows become ranges, so a list of one path selects as one range.
    QItemSelection matching;
    int last = -1;
    for (int i = 0; i < count(); ++i) {
        if (!matches(rows_[size_t(i)])) continue;
        int end = i;
        while (end + 1 < count() && matches(rows_[size_t(end + 1)]))
            ++end;
        matching.select(index(i), index(end));
        last = end;
        i = end;
    }
    if (last >= 0) selection_.select(matching, QItemSelectionModel::Select);
    return last;
}

void PlaylistModel::SelectByText(const QString& text, int column) {
    if (text.isEmpty() || column < 0 || column > 2) return;
    const int last = selectMatching([&](const PlaylistEntry& row) {
        const QString field = column == 0   ? row.Caption
                              : column == 1 ? row.TimeText
                                            : QFile::decodeName(row.Path);
        return field.compare(text, Qt::CaseInsensitive) == 0;
    });
    if (last >= 0) setCurrentTrack(last);
}

void PlaylistModel::selectByPath(const QByteArray& path) {
    if (const int last = selectPath(path); last >= 0) setCurrentTrack(last);
}

int PlaylistModel::selectPath(const QByteArray& path) {
    if (path.isEmpty()) return -1;
    // Case folding needs text; bytes that are not UTF-8 have no case to fold.
    if (!validUtf8(path)) return selectMatching([&](const PlaylistEntry& row) { return row.Path == path; });
    const QString text = QFile::decodeName(path);
    return selectMatching([&](const PlaylistEntry& row) {
        return QFile::decodeName(row.Path).compare(text, Qt::CaseInsensitive) == 0;
    });
}

void PlaylistModel::moveSelected(int beforeRow) {
    if (!selection_.hasSelection()) return;
    const QByteArray playingPath = Row(CurrentTrack()).Path;
    const std::vector<char> selected = selectedMask();
    int target = valid(beforeRow) ? beforeRow : count();
    while (target < count() && selected[size_t(target)])
        ++target;
    // The moved rows end unselected; cleared first, the selection has nothing to carry through the
    // new order.
    selection_.clearSelection();

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // newOrder[k] is the old index of the row that ends at k: unmoved rows
    // before the target, the moved rows, then the remaining unmoved rows.
    std::vector<int> newOrder;
    newOrder.reserve(rows_.size());
    for (int i = 0; i < target; ++i)
        if (!selected[size_t(i)]) newOrder.push_back(i);
    for (int i = 0; i < count(); ++i)
        if (selected[size_t(i)]) newOrder.push_back(i);
    for (int i = target; i < count(); ++i)
        if (!selected[size_t(i)]) newOrder.push_back(i);

    std::vector<PlaylistEntry> moved;
    moved.reserve(rows_.size());
    std::vector<int> oldToNew(rows_.size());
    for (size_t k = 0; k < newOrder.size(); ++k) {
        moved.push_back(std::move(rows_[size_t(newOrder[k])]));
        oldToNew[size_t(newOrder[k])] = int(k);
    }
    rows_ = std::move(moved);
    followEdit([&oldToNew](RowMark& mark) { mark.moved(oldToNew); });

    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& idx : before)
        after.push_back(index(oldToNew[size_t(idx.row())]));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);

    // The playing row, and every row holding its file, is selected again, as it was when it started.
    selectPath(playingPath);
}
