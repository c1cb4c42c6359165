#pragma once
#include <QItemSelectionModel>

class PlaylistModel;

// Keeps the list view's selection and the playlist's selected flags the same. The flags are what
// the player's rules read and write (a started row becomes the only selected one, a reorder
// re-selects the playing path); the view's selection is what the mouse and the keys change. Each
// side's changes are copied to the other, never back again.
class PlaylistSelection : public QItemSelectionModel {
    Q_OBJECT
  public:
    explicit PlaylistSelection(PlaylistModel& model, QObject* parent = nullptr);

    using QItemSelectionModel::select;
    void select(const QItemSelection& selection, QItemSelectionModel::SelectionFlags command) override;

  private:
    void copyFlags(int first, int last);

    PlaylistModel& playlist_;
    bool copying_ = false;
};
