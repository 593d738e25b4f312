#pragma once

// The playlist on the UI thread: the rows, their model and view, the music
// list file, and the conversion worker whose results are posted back here.

#include <QObject>
#include <QTimer>
#include <memory>

#include "playlist/conversion_pass.h"
#include "playlist/save_coalescer.h"
#include "playlist/track_list.h"

class QTableView;

namespace youran {

class PlaylistModel;

class PlaylistController : public QObject, private ConversionSink {
  Q_OBJECT
 public:
  PlaylistController(ConversionFunctions functions, QObject* parent = nullptr);
  ~PlaylistController() override;

  TrackList& list() { return list_; }
  PlaylistModel* model() const { return model_.get(); }

  // Shows the rows in `播放列表框`: column 0 hidden, double-click plays.
  void attachView(QTableView* view);
  QTableView* view() const { return view_; }

  // The selected row, 1-based; 0 when nothing is selected.
  int selectedRow() const;
  void selectRow(int row);

  // LoadMusicList at start-up; the notice for a file that is not a music
  // list, and a conversion pass when rows still need their tags.
  void loadDefaultList();

  // Appends rows (AddTrack for each), saves, and starts a pass in `slot`.
  void addTracks(const std::vector<std::string>& paths, PassSlot slot);

  // A row whose file has vanished: removed, renumbered, saved.
  void dropRow(int row);

  bool save();
  bool anyConversionPassRunning() const;

  // Shutdown: stop the pass (after the file it is reading), write what is
  // still pending.
  void shutdown();

  ConversionWorker& worker() { return *worker_; }

 signals:
  void rowActivated(int row);  // double-click: play row (1-based)
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
  std::unique_ptr<ConversionWorker> worker_;  // last: its thread may post to us
};

}  // namespace youran
