#pragma once

// The playlist on the UI thread: the rows, their model and view, the music
// list file, and the conversion worker whose results are posted back here.

#include <QObject>
#include <QTimer>
#include <memory>

#include "playback/controller/track_rows.h"
#include "playlist/conversion_pass.h"
#include "playlist/save_coalescer.h"
#include "playlist/track_list.h"

class QTableView;

namespace youran {

class NowPlaying;
class PlaylistModel;

// The one owner of the rows: every removal goes through it (remove,
// renumber, save) and is announced, so whoever keeps a row number follows.
class PlaylistController : public TrackRows, private ConversionSink {
  Q_OBJECT
 public:
  PlaylistController(ConversionFunctions functions, QObject* parent = nullptr);
  ~PlaylistController() override;

  TrackList& list() { return list_; }
  int rowCount() const override { return static_cast<int>(list_.size()); }
  // A GBK-named file whose name came back from the list file as text is
  // found again here, and its row keeps the bytes from then on.
  const std::string& pathAtRow(int row) const override;
  const std::string& nameAtRow(int row) const override { return list_.atRow(static_cast<size_t>(row)).name; }
  PlaylistModel* model() const { return model_.get(); }

  // Shows the rows in `播放列表框`: column 0 hidden, double-click plays.
  void attachView(QTableView* view);
  QTableView* view() const { return view_; }
  // The view selects each track that starts.
  void followNowPlaying(const NowPlaying& now);

  // The selected row; 0 when nothing is selected.
  int selectedRow() const override;
  // Every selected row (Ctrl and Shift add to a selection), ascending.
  QList<int> selectedRows() const;
  void selectRow(int row);

  // LoadMusicList at start-up; the notice for a file that is not a music
  // list, and a conversion pass when rows still need their tags.
  void loadDefaultList();

  // Appends rows (AddTrack for each), saves, and starts a pass in `slot`.
  void addTracks(const std::vector<std::string>& paths, PassSlot slot);

  // Removing rows: each renumbers the rest and saves the list.
  void removeRow(int row);
  // These rows (1-based, any order) in one sweep, announced together.
  void removeRows(QList<int> rows);
  void removeMissingRow(int row) override { removeRow(row); }
  // Rows at 0-based indices, in one sweep. A playing row's number is left
  // as it was, though rows above it may go (the duplicate removal's rule).
  void removeIndicesKeepingNumbers(std::vector<size_t> indices);
  void removeAll();

  bool save();
  bool anyConversionPassRunning() const;

  // Shutdown: stop the pass (after the file it is reading), write what is
  // still pending.
  void shutdown();

  ConversionWorker& worker() { return *worker_; }

 signals:
  void windowTitleChanged(const QString& title);
  void passFinished();

 private:
  void rowConverted(ConversionResult result) override;
  void passFinished(const PassSummary& summary) override;
  void noteChange();
  void saveIfDue();

  TrackList list_;
  std::unique_ptr<PlaylistModel> model_;
  QTableView* view_ = nullptr;
  SaveCoalescer coalescer_;
  QTimer saveTimer_;
  bool saveRefused_ = false;  // the unreadable list is still where we would save
  std::unique_ptr<ConversionWorker> worker_;  // last: its thread may post to us
};

}  // namespace youran
