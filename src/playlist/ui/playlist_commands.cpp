#include "playlist/ui/playlist_commands.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QTableView>
#include <filesystem>

#include "ui/notice_dialog.h"
#include "base/qt_path.h"
#include "base/qt_text.h"
#include "base/text_encoding.h"
#include "settings/settings_file.h"
#include "base/data_folder.h"
#include "base/log.h"
#include "lyrics/lyric_file.h"
#include "playback/controller/playback_controller.h"
#include "playlist/folder_scan.h"
#include "playlist/list_path.h"
#include "playlist/remove_duplicates.h"
#include "playlist/ui/desktop_files.h"
#include "playlist/ui/playlist_controller.h"

namespace youran {

namespace {

// Rows reach the model at least this often (in time, and in rows) during a
// scan, and window events run as often; a stall stays well below what a
// person notices.
constexpr qint64 kScanSliceMs = 15;
constexpr size_t kScanSliceFiles = 1000;

void notice(const QString& title, const QString& text) {
  ShowNotice(title, text, true, false, false);
}

bool fileExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

QString dialogFilter() {
  QString patterns;
  for (auto extension : kAudioExtensions) {
    if (!patterns.isEmpty()) patterns += ' ';
    patterns += QStringLiteral("*.") +
                QString::fromLatin1(extension.data(), static_cast<int>(extension.size()));
  }
  return QStringLiteral("支持的音频文件 (%1)").arg(patterns);
}

}  // namespace

QStringList PlaylistPrompts::chooseFiles(QWidget* parent) {
  return QFileDialog::getOpenFileNames(parent, QStringLiteral("打开支持的音频文件"), QString(),
                                       dialogFilter());
}

QString PlaylistPrompts::chooseFolder(QWidget* parent) {
  return QFileDialog::getExistingDirectory(parent, QStringLiteral("请选择扫描目录"));
}

bool PlaylistPrompts::askYesNo(QWidget* parent, QMessageBox::Icon icon, const QString& text) {
  QMessageBox box(icon, QStringLiteral("悠然提示"), text, QMessageBox::Yes | QMessageBox::No,
                  parent);
  return box.exec() == QMessageBox::Yes;
}

PlaylistCommands::PlaylistCommands(PlaylistController& playlist, PlaybackController& playback,
                                   QWidget* dialogParent, QObject* parent)
    : QObject(parent), playlist_(playlist), playback_(playback), dialogParent_(dialogParent) {
  // A scan in progress ends when the player quits; what it found so far stays.
  connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
          [this] { quitting_ = true; });
}

PlaylistCommands::~PlaylistCommands() = default;

PlaylistPrompts& PlaylistCommands::prompts() { return prompts_ ? *prompts_ : defaultPrompts_; }

void PlaylistCommands::startPass(PassSlot slot) {
  playlist_.worker().startPass(slot, conversionJobs(playlist_.list()));
}

void PlaylistCommands::tellRefused(size_t count) {
  if (count == 0) return;
  notice(QString(), toQ(kLineBreakNameNotice).arg(count));
}

void PlaylistCommands::saveList() {
  playlist_.save();
}

bool PlaylistCommands::refuseWhileBusy() {
  if (!playlist_.anyConversionPassRunning()) return false;
  notice(QString(), QString::fromUtf8(kBusyNotice));
  return true;
}

void PlaylistCommands::addFilesFromDialog() {
  const QStringList files = prompts().chooseFiles(dialogParent_);
  if (files.isEmpty()) return;
  size_t refused = 0;
  for (const QString& file : files) {
    std::string path = pathFromQ(file);
    if (!fitsListFile(path)) {
      ++refused;
      continue;
    }
    playlist_.list().addTrack(std::move(path));
    QCoreApplication::processEvents();
  }
  tellRefused(refused);
  saveList();
  startPass(PassSlot::openFiles);
}

void PlaylistCommands::scanFolderCommand() {
  const QString folder = prompts().chooseFolder(dialogParent_);
  if (folder.isEmpty()) return;
  refusedNames_ = 0;
  scanFolder(folder, splitPatterns(scanPatternList()), true);
  tellRefused(refusedNames_);
  saveList();
  startPass(PassSlot::folderScan);
}

size_t PlaylistCommands::scanFolder(const QString& folder, const std::vector<std::string>& patterns,
                                    bool recursive) {
  // Paths wait here until the slice ends; the rows are made when they are
  // appended, so they are numbered after whatever the list holds then (a
  // command run between two slices may have changed it).
  std::vector<std::string> batch;
  size_t added = 0;
  auto flush = [&] {
    if (batch.empty()) return;
    std::vector<TrackEntry> rows;
    rows.reserve(batch.size());
    size_t next = playlist_.list().size() + 1;
    for (auto& path : batch)
      rows.push_back(TrackList::makeEntry(std::move(path), {}, {}, {}, next++));
    added += rows.size();
    batch.clear();
    playlist_.list().appendRows(std::move(rows));
  };
  QElapsedTimer slice;
  slice.start();
  ScanVisitor visitor;
  visitor.file = [&](std::string path) {
    if (fitsListFile(path)) {
      batch.push_back(std::move(path));
    } else {
      ++refusedNames_;
    }
  };
  visitor.step = [&] {
    if (slice.elapsed() >= kScanSliceMs || batch.size() >= kScanSliceFiles) {
      flush();
      QCoreApplication::processEvents();
      slice.restart();
    }
    return !quitting_;
  };
  youran::scanFolder(pathFromQ(folder), patterns, recursive, visitor);
  flush();
  return added;
}

void PlaylistCommands::playSelected() {
  const int row = playlist_.selectedRow();
  if (row == 0) return;
  playback_.startRow(row);
}

void PlaylistCommands::removeSelected() {
  if (refuseWhileBusy()) return;
  const QList<int> rows = playlist_.selectedRows();
  if (rows.isEmpty()) return;
  const bool playing = rows.contains(playback_.currentIndex());
  playlist_.removeRows(rows);
  // The current index now names the row that moved into the playing row's
  // place (the first one kept below it), and that row plays.
  if (playing) playback_.startRow(playback_.currentIndex());
}

void PlaylistCommands::removeDuplicates() {
  if (refuseWhileBusy()) return;
  auto& list = playlist_.list();
  emit windowTitleChanged(QString::fromUtf8(kRemovingDuplicatesTitle));
  std::vector<std::string_view> paths;
  paths.reserve(list.size());
  for (const auto& row : list.rows()) paths.push_back(row.path);
  DuplicateRemoval plan = planDuplicateRemoval(paths, playback_.currentIndex());
  paths.clear();
  if (plan.removesCurrent) {
    if (auto* view = playlist_.view()) view->clearSelection();
    playback_.stop();
  }
  playlist_.removeIndicesKeepingNumbers(std::move(plan.removed));
  emit windowTitleChanged(QString::fromUtf8(kPlayerTitle));
  notice(QString(), QString::fromUtf8(kDuplicatesRemovedNotice));
}

void PlaylistCommands::removeAll() {
  if (refuseWhileBusy()) return;
  if (!prompts().askYesNo(dialogParent_, QMessageBox::Information,
                          QString::fromUtf8(kRemoveAllQuestion)))
    return;
  if (!playlist_.list().empty()) playback_.stop();
  playlist_.removeAll();
  writeState("是否启动播放", "上一首是：", "0");
  writeState("是否启动播放", "播放位置：", "0");
}

void PlaylistCommands::deleteSelectedToRecycleBin() {
  if (refuseWhileBusy()) return;
  const int row = playlist_.selectedRow();
  if (row == 0) return;
  auto& list = playlist_.list();
  const std::string path = list.pathAtRow(static_cast<size_t>(row));
  if (!fileExists(path)) {
    notice(QString::fromUtf8(kAwkwardTitle), QString::fromUtf8(kMissingFileNotice));
    return;
  }
  const int current = playback_.currentIndex();
  const bool playing = row == current;
  const QString question =
      QStringLiteral("【") + toQ(pathDisplayText(path)) +
      (playing
           ? QStringLiteral("】   正在播放，删除后会自动跳转到下一曲，如有歌词文件也一起被删除！")
           : QStringLiteral("】   你确定要删除到回收站吗？，如有歌词文件也一起被删除！"));
  if (!prompts().askYesNo(dialogParent_, QMessageBox::Warning, question)) return;

  const auto lyric = lyricFilePath(dataFolder(), list.atRow(static_cast<size_t>(row)).name);
  if (playing) playback_.stop();
  // A file that did not reach the trash stays in the list, so nobody
  // believes it is gone.
  if (moveFileToTrash(pathToQ(path))) {
    notice(QString::fromUtf8(kAwkwardTitle), QString::fromUtf8(kTrashFailedNotice));
    return;
  }
  playlist_.removeRow(row);
  if (fileExists(lyric.string())) moveFileToTrash(pathToQ(lyric.native()));
  if (playing) playback_.startRow(current);
}

void PlaylistCommands::openSelectedLocation() {
  const int row = playlist_.selectedRow();
  if (row == 0) return;
  const std::string& path = playlist_.list().pathAtRow(static_cast<size_t>(row));
  if (!fileExists(path)) {
    notice(QString::fromUtf8(kAwkwardTitle), QString::fromUtf8(kMissingFileNotice));
    return;
  }
  showFileInFolder(pathToQ(path));
}

void PlaylistCommands::copySongName() {
  const int row = playlist_.selectedRow();
  if (row == 0) return;
  QApplication::clipboard()->setText(toQ(playlist_.list().atRow(static_cast<size_t>(row)).name));
}

size_t PlaylistCommands::addPaths(const QStringList& paths, bool playFirst, const QStringList& names) {
  auto& list = playlist_.list();
  const size_t firstNew = list.size() + 1;
  size_t added = 0;
  bool scanned = false;
  const auto patterns = splitPatterns(scanPatternList());
  refusedNames_ = 0;
  for (qsizetype i = 0; i < paths.size(); ++i) {
    // Bytes, not QFileInfo: a GBK name must reach the row as it is on disk.
    std::error_code ec;
    const std::filesystem::path path = std::filesystem::absolute(pathFromQ(paths[i]), ec).lexically_normal();
    if (ec) continue;
    if (std::filesystem::is_directory(path, ec)) {
      added += scanFolder(pathToQ(path.native()), patterns, true);
      scanned = true;
    } else if (std::filesystem::is_regular_file(path, ec) &&
               isAudioFileName(path.filename().native())) {
      if (!fitsListFile(path.native())) {
        ++refusedNames_;
        continue;
      }
      // A name the caller knows (a song from a search) shows until the pass
      // reads the tags; the file name may read the other way round.
      const QString name = i < names.size() ? names[i].trimmed() : QString();
      list.appendRows({TrackList::makeEntry(path.native(), {}, name.toStdString(), {}, list.size() + 1)});
      ++added;
    }
  }
  tellRefused(refusedNames_);
  if (added == 0) return 0;
  saveList();
  startPass(scanned ? PassSlot::folderScan : PassSlot::openFiles);
  if (playFirst && firstNew <= list.size()) playback_.startRow(static_cast<int>(firstNew));
  return added;
}

}  // namespace youran
