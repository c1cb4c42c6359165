#include "PlaylistDelegate.h"

#include "PlaylistModel.h"
#include "PlaylistRow.h"
#include "TrackInfoCache.h"

PlaylistDelegate::PlaylistDelegate(PlaylistModel& model, TrackInfoCache& cache, QObject* parent)
    : QStyledItemDelegate(parent), model_(model), cache_(cache) {}

void PlaylistDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    const int row = index.row();
    const QByteArray& path = model_.Row(row).Path;
    const QString& title = cache_.FittedTitle(path, kRowTitleWidth);
    const QString& duration = cache_.Lookup(path).duration;
    PlayListDrawItem(*painter, option.rect, row, title, duration,
                     RowStyleOf(model_.isSelected(row), row == model_.CurrentTrack()));
}

QSize PlaylistDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    return QSize(option.rect.width(), kRowHeight);
}
