#pragma once

// What playback needs of the playlist, written down by playback: the rows,
// the row the user has selected, and word of rows that left the list. The
// playlist's owner (PlaylistController) implements it; playback never sees
// the list's widgets. Rows are numbered from 1. UI thread only.

#include <QList>
#include <QObject>
#include <string>

namespace youran {

class TrackRows : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;

  virtual int rowCount() const = 0;
  // The row's file and display name; `row` is within 1..rowCount().
  virtual const std::string& pathAtRow(int row) const = 0;
  virtual const std::string& nameAtRow(int row) const = 0;
  // The row the user has selected; 0 when none is.
  virtual int selectedRow() const = 0;
  // A row whose file has vanished: removed, renumbered and saved, with
  // `rowsRemoved` announced.
  virtual void removeMissingRow(int row) = 0;

 signals:
  // A double-click (or Enter) on a row.
  void rowActivated(int row);
  // These rows (ascending) left the list and the rows below moved up; a row
  // number taken before now needs to move up by the removed rows above it.
  void rowsRemoved(const QList<int>& rows);
  // Every row is gone.
  void cleared();
};

}  // namespace youran
