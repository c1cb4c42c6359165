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
    return parent.isValid() ? 0 : Count();
}

QVariant PlaylistModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !valid(index.row())) return {};
    const PlaylistEntry& row = rows_[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return QFile::decodeName(row.Path);
    case PathRole:
        return row.Path;
    case CaptionRole:
        return row.Caption;
    case TimeTextRole:
        return row.TimeText;
    case SelectedRole:
        return bool(selected_[size_t(index.row())]);
    case CurrentRole:
        return index.row() == currentTrack_;
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

void PlaylistModel::Append(const QString& caption, const QString& timeText, const QByteArray& path) {
    AppendRows({PlaylistEntry{caption, timeText, path}});
}

void PlaylistModel::AppendRows(std::vector<PlaylistEntry> rows) {
    if (rows.empty()) return;
    const int first = Count();
    beginInsertRows({}, first, first + int(rows.size()) - 1);
    rows_.insert(rows_.end(), std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
    selected_.resize(rows_.size(), 0);
    endInsertRows();
}

void PlaylistModel::InsertBefore(int i) {
    if (i < 0 || i > Count()) return;
    beginInsertRows({}, i, i);
    rows_.insert(rows_.begin() + i, PlaylistEntry{});
    selected_.insert(selected_.begin() + i, 0);
    endInsertRows();
}

void PlaylistModel::CopyRow(int from, int to) {
    if (!valid(from) || !valid(to) || from == to) return;
    rows_[size_t(to)] = rows_[size_t(from)];
    rowChanged(to);
}

void PlaylistModel::DeleteRow(int i) {
    if (!valid(i)) return;
    beginRemoveRows({}, i, i);
    selectedCount_ -= selected_[size_t(i)];
    rows_.erase(rows_.begin() + i);
    selected_.erase(selected_.begin() + i);
    endRemoveRows();
}

void PlaylistModel::DeleteSelected() {
    const int first = SelectedIndex();
    if (first < 0) return;
    // One contiguous block is an ordinary removal; scattered rows are
    // compacted in one pass and announced as a single reset, never as one
    // signal per row (a 100,000-row select-all delete must not crawl).
    const int last = int(std::find(selected_.begin() + first, selected_.end(), 0) - selected_.begin()) - 1;
    if (last - first + 1 == selectedCount_) {
        beginRemoveRows({}, first, last);
        rows_.erase(rows_.begin() + first, rows_.begin() + last + 1);
        selected_.erase(selected_.begin() + first, selected_.begin() + last + 1);
        selectedCount_ = 0;
        endRemoveRows();
        return;
    }
    beginResetModel();
    size_t kept = size_t(first);
    for (size_t i = size_t(first); i < rows_.size(); ++i)
        if (!selected_[i]) rows_[kept++] = std::move(rows_[i]);
    rows_.resize(kept);
    selected_.assign(kept, 0);
    selectedCount_ = 0;
    endResetModel();
}

void PlaylistModel::Clear() {
    if (rows_.empty()) return;
    beginResetModel();
    rows_.clear();
    selected_.clear();
    selectedCount_ = 0;
    endResetModel();
}

void PlaylistModel::SelectAll() {
    if (rows_.empty()) return;
    std::fill(selected_.begin(), selected_.end(), 1);
    selectedCount_ = Count();
    emit dataChanged(index(0), index(Count() - 1));
    emit selectionFlagsChanged(0, Count() - 1);
}

void PlaylistModel::ClearSelection() {
    const int first = SelectedIndex();
    if (first < 0) return;
    int last = first;
    for (int i = first; i < Count(); ++i)
        if (std::exchange(selected_[size_t(i)], 0)) last = i;
    selectedCount_ = 0;
    emit dataChanged(index(first), index(last));
    emit selectionFlagsChanged(first, last);
}

void PlaylistModel::SetSelected(int i, bool on) {
    if (!valid(i) || bool(selected_[size_t(i)]) == on) return;
    selected_[size_t(i)] = on;
    selectedCount_ += on ? 1 : -1;
    rowChanged(i);
    emit selectionFlagsChanged(i, i);
}

bool PlaylistModel::IsSelected(int i) const {
    return valid(i) && selected_[size_t(i)];
}

int PlaylistModel::SelectedIndex() const {
    return selectedCount_ == 0 ? -1 : NextSelected(-1);
}

int PlaylistModel::NextSelected(int after) const {
    if (selectedCount_ == 0) return -1;
    const size_t from = size_t(std::max(after + 1, 0));
    if (from >= selected_.size()) return -1;
    const auto it = std::find(selected_.begin() + qsizetype(from), selected_.end(), 1);
    return it == selected_.end() ? -1 : int(it - selected_.begin());
}

void PlaylistModel::SetCurrentTrack(int i) {
    const int old = currentTrack_;
    currentTrack_ = std::max(i, -1);
    if (old == currentTrack_) return;
    rowChanged(old);
    rowChanged(currentTrack_);
}

void PlaylistModel::SelectMatching(const std::function<bool(const PlaylistEntry&)>& matches) {
    int first = -1, last = -1;
    for (int i = 0; i < Count(); ++i) {
        if (!matches(rows_[size_t(i)])) continue;
        if (!selected_[size_t(i)]) ++selectedCount_;
        selected_[size_t(i)] = 1;
        if (first < 0) first = i;
        last = i;
    }
    if (last < 0) return;
    emit dataChanged(index(first), index(last));
    emit selectionFlagsChanged(first, last);
    SetCurrentTrack(last);
}

void PlaylistModel::SelectByText(const QString& text, int column) {
    if (text.isEmpty() || column < 0 || column > 2) return;
    SelectMatching([&](const PlaylistEntry& row) {
        const QString field = column == 0   ? row.Caption
                              : column == 1 ? row.TimeText
                                            : QFile::decodeName(row.Path);
        return field.compare(text, Qt::CaseInsensitive) == 0;
    });
}

void PlaylistModel::SelectByPath(const QByteArray& path) {
    if (path.isEmpty()) return;
    // Case folding needs text; bytes that are not UTF-8 have no case to fold.
    if (!validUtf8(path)) {
        SelectMatching([&](const PlaylistEntry& row) { return row.Path == path; });
        return;
    }
    SelectByText(QFile::decodeName(path), 2);
}

void PlaylistModel::MoveSelected(int beforeRow) {
    if (selectedCount_ == 0) return;
    const QByteArray playingPath = valid(currentTrack_) ? rows_[size_t(currentTrack_)].Path : QByteArray();
    int target = valid(beforeRow) ? beforeRow : Count();
    while (target < Count() && selected_[size_t(target)])
        ++target;

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // newOrder[k] is the old index of the row that ends at k: unmoved rows
    // before the target, the moved rows, then the remaining unmoved rows.
    std::vector<int> newOrder;
    newOrder.reserve(rows_.size());
    for (int i = 0; i < target; ++i)
        if (!selected_[size_t(i)]) newOrder.push_back(i);
    for (int i = 0; i < Count(); ++i)
        if (selected_[size_t(i)]) newOrder.push_back(i);
    for (int i = target; i < Count(); ++i)
        if (!selected_[size_t(i)]) newOrder.push_back(i);

    std::vector<PlaylistEntry> moved;
    moved.reserve(rows_.size());
    std::vector<int> oldToNew(rows_.size());
    for (size_t k = 0; k < newOrder.size(); ++k) {
        moved.push_back(std::move(rows_[size_t(newOrder[k])]));
        oldToNew[size_t(newOrder[k])] = int(k);
    }
    rows_ = std::move(moved);
    std::fill(selected_.begin(), selected_.end(), 0);
    selectedCount_ = 0;

    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& idx : before)
        after.push_back(index(oldToNew[size_t(idx.row())]));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    emit selectionFlagsChanged(0, Count() - 1);

    if (!playingPath.isEmpty()) SelectByPath(playingPath);
}

void PlaylistModel::ReplaceSelection(const std::vector<std::pair<int, int>>& ranges) {
    std::fill(selected_.begin(), selected_.end(), 0);
    selectedCount_ = 0;
    for (const auto& [first, last] : ranges) {
        const int from = std::max(first, 0), to = std::min(last, Count() - 1);
        for (int i = from; i <= to; ++i)
            selectedCount_ += !std::exchange(selected_[size_t(i)], 1);
    }
}
