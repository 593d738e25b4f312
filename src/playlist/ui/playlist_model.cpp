#include "playlist/ui/playlist_model.h"
#include "base/qt_text.h"
#include "base/text_encoding.h"

namespace youran {

const QStringList& PlaylistModel::columnTitles() {
  static const QStringList titles = {QStringLiteral("完整路径"), QStringLiteral("ID"), QStringLiteral("歌曲名"),
                                     QStringLiteral("时间"), QStringLiteral("是否已转")};
  return titles;
}

PlaylistModel::PlaylistModel(TrackList& list, QObject* parent) : QAbstractTableModel(parent), list_(list) {
  // The list tells after the fact; the view only needs to hear of it before
  // it next paints, and data() never reads past the rows that are there.
  TrackList::Observer observer;
  observer.rowsInserted = [this](size_t first, size_t count) {
    beginInsertRows({}, static_cast<int>(first), static_cast<int>(first + count - 1));
    endInsertRows();
  };
  observer.rowsRemoved = [this](size_t first, size_t count) {
    beginRemoveRows({}, static_cast<int>(first), static_cast<int>(first + count - 1));
    endRemoveRows();
  };
  observer.rowsChanged = [this](size_t first, size_t count) {
    emit dataChanged(index(static_cast<int>(first), 0),
                     index(static_cast<int>(first + count - 1), TrackEntry::kColumns - 1));
  };
  observer.reset = [this] {
    beginResetModel();
    endResetModel();
  };
  list_.setObserver(std::move(observer));
}

PlaylistModel::~PlaylistModel() { list_.setObserver({}); }

int PlaylistModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(list_.size());
}

int PlaylistModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : TrackEntry::kColumns;
}

QVariant PlaylistModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() < 0 || static_cast<size_t>(index.row()) >= list_.size()) return {};
  if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
    const auto& row = list_.atIndex(static_cast<size_t>(index.row()));
    if (role == Qt::ToolTipRole) return toQ(pathDisplayText(row.path));
    return toQ(row.column(index.column()));
  }
  if (role == Qt::TextAlignmentRole && index.column() != 2)
    return QVariant::fromValue(Qt::AlignCenter);
  return {};
}

QVariant PlaylistModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  if (section < 0 || section >= columnTitles().size()) return {};
  return columnTitles()[section];
}

}  // namespace youran
