#include "playlist/ui/playlist_controller.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <algorithm>
#include <QMetaObject>
#include <QPointer>
#include <QTableView>

#include "ui/notice_dialog.h"
#include "base/log.h"
#include "playback/controller/now_playing.h"
#include "playlist/list_path.h"
#include "playlist/music_list_file.h"
#include "playlist/ui/playlist_model.h"
#include "base/qt_path.h"
#include "base/qt_text.h"

namespace youran {

PlaylistController::PlaylistController(ConversionFunctions functions, QObject* parent)
    : TrackRows(parent), model_(std::make_unique<PlaylistModel>(list_)) {
  saveTimer_.setSingleShot(true);
  connect(&saveTimer_, &QTimer::timeout, this, &PlaylistController::saveIfDue);
  ConversionSink& sink = *this;
  worker_ = std::make_unique<ConversionWorker>(std::move(functions), sink);
}

PlaylistController::~PlaylistController() { shutdown(); }

void PlaylistController::attachView(QTableView* view) {
  view_ = view;
  view->setModel(model_.get());
  view->setColumnHidden(0, true);
  auto* header = view->horizontalHeader();
  header->setSectionResizeMode(QHeaderView::Fixed);
  header->setSectionResizeMode(2, QHeaderView::Stretch);
  view->setColumnWidth(1, 56);
  view->setColumnWidth(3, 72);
  view->setColumnWidth(4, 76);
  view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  connect(view, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
    if (index.isValid()) emit rowActivated(PlaylistModel::rowNumber(index));
  });
}

const std::string& PlaylistController::pathAtRow(int row) const {
  const std::string& stored = list_.pathAtRow(static_cast<size_t>(std::max(row, 0)));
  if (stored.empty()) return stored;
  std::string found = resolveStoredPath(stored);
  if (found == stored) return stored;
  auto& rows = const_cast<TrackList&>(list_);
  rows.replacePath(static_cast<size_t>(row - 1), std::move(found));
  return list_.pathAtRow(static_cast<size_t>(row));
}

QList<int> PlaylistController::selectedRows() const {
  QList<int> rows;
  if (!view_ || !view_->selectionModel()) return rows;
  for (const QModelIndex& index : view_->selectionModel()->selectedRows()) rows << PlaylistModel::rowNumber(index);
  std::sort(rows.begin(), rows.end());
  return rows;
}

int PlaylistController::selectedRow() const {
  if (!view_ || !view_->selectionModel()) return 0;
  auto rows = view_->selectionModel()->selectedRows();
  if (rows.isEmpty()) return 0;
  return PlaylistModel::rowNumber(rows.front());
}

void PlaylistController::selectRow(int row) {
  if (!view_ || row < 1 || static_cast<size_t>(row) > list_.size()) return;
  auto index = model_->indexAtRow(row, 2);
  view_->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  view_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
  view_->scrollTo(index);
}

void PlaylistController::loadDefaultList() {
  auto result = loadMusicList(musicListPath(), list_);
  if (result.status == MusicListStatus::notAMusicList || result.status == MusicListStatus::unreadable) {
    // The rows added from now on must not replace the user's list.
    QString text = toQ(kMusicListLoadFailedNotice);
    if (auto aside = setAsideUnreadableList(musicListPath())) {
      text += QLatin1Char('\n') + toQ(kMusicListSetAsideNotice) + pathToQ(aside->native());
    } else {
      saveRefused_ = true;
    }
    ShowNotice(QString(), text, true, false, false);
    return;
  }
  if (result.needsConversion) worker_->startPass(PassSlot::listLoad, conversionJobs(list_));
}

void PlaylistController::addTracks(const std::vector<std::string>& paths, PassSlot slot) {
  if (paths.empty()) return;
  for (const auto& path : paths) list_.addTrack(path);
  save();
  worker_->startPass(slot, conversionJobs(list_));
}

void PlaylistController::followNowPlaying(const NowPlaying& now) {
  connect(&now, &NowPlaying::trackChanged, this, [this, &now] { selectRow(now.track().row); });
}

void PlaylistController::removeRow(int row) {
  if (!list_.removeAtRow(static_cast<size_t>(std::max(row, 0)))) return;
  list_.renumberRows();
  save();
  emit rowsRemoved({row});
}

void PlaylistController::removeRows(QList<int> rows) {
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  rows.removeIf([this](int row) { return !list_.hasRow(static_cast<size_t>(std::max(row, 0))); });
  if (rows.isEmpty()) return;
  std::vector<size_t> indices;
  indices.reserve(static_cast<size_t>(rows.size()));
  for (int row : rows) indices.push_back(static_cast<size_t>(row - 1));
  list_.removeAtIndices(std::move(indices));
  list_.renumberRows();
  save();
  emit rowsRemoved(rows);
}

void PlaylistController::removeIndicesKeepingNumbers(std::vector<size_t> indices) {
  list_.removeAtIndices(std::move(indices));
  list_.renumberRows();
  save();
}

void PlaylistController::removeAll() {
  list_.clear();
  save();
  emit cleared();
}

bool PlaylistController::save() {
  if (saveRefused_) {
    logWarning("playlist", "the unreadable music list file could not be set aside; not saving over it");
    return false;
  }
  auto failure = saveMusicList(list_, musicListPath());
  coalescer_.saved(SaveCoalescer::Clock::now());
  saveTimer_.stop();
  if (failure) logWarning("playlist", "the music list file was not written");
  return !failure;
}

bool PlaylistController::anyConversionPassRunning() const { return worker_->anyPassRunning(); }

void PlaylistController::shutdown() {
  if (!worker_) return;
  worker_->stop();
  worker_->waitUntilIdle();
  // Results the worker posted before it stopped are still queued for this
  // thread; apply them so nothing read is lost.
  QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
  if (coalescer_.pending()) save();
}

// Worker thread: hand the result to the UI thread.
void PlaylistController::rowConverted(ConversionResult result) {
  QMetaObject::invokeMethod(
      this,
      [this, result = std::move(result)]() mutable {
        QString title = toQ(result.windowTitle);
        if (applyConversion(list_, std::move(result))) noteChange();
        emit windowTitleChanged(title);
      },
      Qt::QueuedConnection);
}

void PlaylistController::passFinished(const PassSummary&) {
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (coalescer_.pending()) save();
        emit passFinished();
      },
      Qt::QueuedConnection);
}

void PlaylistController::noteChange() {
  auto now = SaveCoalescer::Clock::now();
  if (coalescer_.changed(now)) {
    save();
    return;
  }
  if (auto due = coalescer_.dueAt(); due && !saveTimer_.isActive()) {
    auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(*due - now).count();
    saveTimer_.start(static_cast<int>(std::max<long long>(wait, 0)));
  }
}

void PlaylistController::saveIfDue() {
  if (coalescer_.pending()) save();
}

}  // namespace youran
