#pragma once

// The Qt face of the track list for `播放列表框`: five columns, the first
// (the full path) hidden by the view. The model reads the rows in place, so
// 100,000 rows cost no copies.

#include <QAbstractTableModel>

#include "playlist/track_list.h"

namespace youran {

class PlaylistModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  // Titles of the five columns, as the list control names them.
  static const QStringList& columnTitles();

  explicit PlaylistModel(TrackList& list, QObject* parent = nullptr);
  ~PlaylistModel() override;

  TrackList& list() { return list_; }

  // The boundary between the view's 0-based indexes and the player's row
  // numbers, which start at 1.
  static int rowNumber(const QModelIndex& index) { return index.row() + 1; }
  QModelIndex indexAtRow(int row, int column) const { return index(row - 1, column); }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  TrackList& list_;
};

}  // namespace youran
