#pragma once
#include <QStyledItemDelegate>

class PlaylistModel;
class TrackInfoCache;

// Paints each row the view shows with PlayListDrawItem, from the cached title and duration of its
// file; Qt's own selection and focus looks are not drawn.
class PlaylistDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    PlaylistDelegate(PlaylistModel& model, TrackInfoCache& cache, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

  private:
    PlaylistModel& model_;
    TrackInfoCache& cache_;
};
