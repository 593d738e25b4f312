#include "online/ui/search_results.h"

#include <array>

#include "base/qt_text.h"

namespace youran {

SongResult songResult(const PrimaryRow& row) {
  return {true, toQ(row.number), toQ(row.title), toQ(row.artist), {}, toQ(row.id)};
}

SongResult songResult(const SecondaryRow& row) {
  return {false, {}, toQ(row.title), toQ(row.singer), toQ(row.album), toQ(row.url)};
}

SearchResultsModel::SearchResultsModel(bool primary, QObject* parent)
    : QAbstractTableModel(parent), primary_(primary) {}

void SearchResultsModel::setResults(std::vector<SongResult> results) {
  beginResetModel();
  results_ = std::move(results);
  endResetModel();
}

const SongResult* SearchResultsModel::result(int row) const {
  if (row < 0 || row >= static_cast<int>(results_.size())) return nullptr;
  return &results_[static_cast<std::size_t>(row)];
}

int SearchResultsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(results_.size());
}

int SearchResultsModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 4; }

QVariant SearchResultsModel::data(const QModelIndex& index, int role) const {
  const SongResult* song = result(index.row());
  if (!song || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) return {};
  if (primary_) {
    switch (index.column()) {
      case kNumber: return song->number;
      case kPrimaryTitle: return song->title;
      case kPrimaryArtist: return song->artist;
      case kPrimaryId: return song->idOrUrl;
    }
  } else {
    switch (index.column()) {
      case kSecondaryTitle: return song->title;
      case kSecondarySinger: return song->artist;
      case kSecondaryAlbum: return song->album;
      case kSecondaryUrl: return song->idOrUrl;
    }
  }
  return {};
}

QVariant SearchResultsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section > 3) return {};
  static constexpr std::array<const char*, 4> kPrimaryHeaders{"序号", "歌名", "歌手", "id"};
  static constexpr std::array<const char*, 4> kSecondaryHeaders{"歌名", "歌手", "专辑", "URL"};
  const auto& headers = primary_ ? kPrimaryHeaders : kSecondaryHeaders;
  return QString::fromUtf8(headers[static_cast<std::size_t>(section)]);
}

}  // namespace youran
