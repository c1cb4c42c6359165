#include "PlaylistSelection.h"

#include "PlaylistModel.h"

#include <algorithm>
#include <utility>
#include <vector>

PlaylistSelection::PlaylistSelection(PlaylistModel& model, QObject* parent)
    : QItemSelectionModel(&model, parent), playlist_(model) {
    connect(&model, &PlaylistModel::selectionFlagsChanged, this, &PlaylistSelection::copyFlags);
}

void PlaylistSelection::select(const QItemSelection& selection, QItemSelectionModel::SelectionFlags command) {
    QItemSelectionModel::select(selection, command);
    if (copying_) return;
    // The view repaints the rows whose selection changed after this returns, from the flags.
    std::vector<std::pair<int, int>> ranges;
    for (const QItemSelectionRange& range : this->selection())
        ranges.emplace_back(range.top(), range.bottom());
    std::sort(ranges.begin(), ranges.end());
    playlist_.ReplaceSelection(ranges);
}

void PlaylistSelection::copyFlags(int first, int last) {
    if (first > last || first < 0) return;
    // Runs of selected rows become ranges, so a select-all is one range, not 100,000.
    QItemSelection selected;
    for (int i = first; i <= last; ++i) {
        if (!playlist_.IsSelected(i)) continue;
        int end = i;
        while (end < last && playlist_.IsSelected(end + 1))
            ++end;
        selected.select(playlist_.index(i), playlist_.index(end));
        i = end;
    }
    copying_ = true;
    QItemSelectionModel::select(QItemSelection(playlist_.index(first), playlist_.index(last)),
                                QItemSelectionModel::Deselect);
    if (!selected.isEmpty()) QItemSelectionModel::select(selected, QItemSelectionModel::Select);
    copying_ = false;
}
