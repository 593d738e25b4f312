#pragma once

// The rows of a search as the services gave them, kept typed: the lists of
// the search page show them, and a download job is made from a row, never
// from the text of a cell.

#include <QAbstractTableModel>
#include <QString>
#include <vector>

#include "online/primary_service.h"
#include "online/secondary_service.h"

namespace youran {

struct SongResult {
  bool primary = true;
  QString number;  // "序号", primary only
  QString title;
  QString artist;
  QString album;  // secondary only
  // The song id (primary) or the stream URL (secondary).
  QString idOrUrl;
};

SongResult songResult(const PrimaryRow& row);
SongResult songResult(const SecondaryRow& row);

// 超级列表框1 shows "序号", "歌名", "歌手", "id"; 超级列表框2 "歌名", "歌手",
// "专辑" and the stream URL in a hidden fourth column.
class SearchResultsModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum PrimaryColumn { kNumber = 0, kPrimaryTitle = 1, kPrimaryArtist = 2, kPrimaryId = 3 };
  enum SecondaryColumn { kSecondaryTitle = 0, kSecondarySinger = 1, kSecondaryAlbum = 2, kSecondaryUrl = 3 };

  explicit SearchResultsModel(bool primary, QObject* parent = nullptr);

  void setResults(std::vector<SongResult> results);
  void clear() { setResults({}); }
  // The row's result; null outside the rows.
  const SongResult* result(int row) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  bool primary_;
  std::vector<SongResult> results_;
};

}  // namespace youran
