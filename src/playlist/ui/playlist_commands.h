#pragma once

// The playlist commands of the two menus: adding files or a folder tree,
// removing the selected row, duplicates or everything, moving a track and
// its lyric file to the trash, showing it in the file manager, copying its
// name and playing it. Everything runs on the UI thread; the removing
// commands refuse while a conversion pass runs, so the rows a pass works on
// keep their indices.

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <string>
#include <vector>

#include "playlist/conversion_pass.h"

class QWidget;

namespace youran {

class PlaylistController;
class PlaybackController;

// The dialogs the commands open; tests answer them instead of a person.
class PlaylistPrompts {
 public:
  virtual ~PlaylistPrompts() = default;
  // "打开支持的音频文件", several files; empty when cancelled.
  virtual QStringList chooseFiles(QWidget* parent);
  // "请选择扫描目录"; empty when cancelled.
  virtual QString chooseFolder(QWidget* parent);
  // A Yes/No box titled "悠然提示"; true only for Yes.
  virtual bool askYesNo(QWidget* parent, QMessageBox::Icon icon, const QString& text);
};

inline constexpr const char* kBusyNotice = "播放列表工作人员正在火速工作中，请稍后重试！";
inline constexpr const char* kDuplicatesRemovedNotice =
    "列表去除重复已完成啦，如果还发现有重复曲目可以重试下！ QAQ";
inline constexpr const char* kRemovingDuplicatesTitle = "正在移除重复项目，请稍后。。";
inline constexpr const char* kPlayerTitle = "悠然音乐 6";
// Told once per command, with the count, for files whose names hold a line
// break: the music list file keeps one row per line and could not hold them.
inline constexpr const char* kLineBreakNameNotice =
    "有 %1 个文件的文件名含有换行符，无法保存到播放列表，未添加。";
inline constexpr const char* kAwkwardTitle = "这就很尴尬了~~";
inline constexpr const char* kMissingFileNotice = "歌曲文件不存在！QAQ";
inline constexpr const char* kTrashFailedNotice =
    "歌曲文件没能移到回收站，列表里的这一首先留着！QAQ";
inline constexpr const char* kRemoveAllQuestion = "是否要全部移除！";

class PlaylistCommands : public QObject {
  Q_OBJECT
 public:
  PlaylistCommands(PlaylistController& playlist, PlaybackController& playback,
                   QWidget* dialogParent, QObject* parent = nullptr);
  ~PlaylistCommands() override;

  // Not owned; null opens the real dialogs.
  void setPrompts(PlaylistPrompts* prompts) { prompts_ = prompts; }

  void addFilesFromDialog();
  void scanFolderCommand();
  // Appends the audio files below `folder` (see folder_scan.h) in batches,
  // letting window events run between them; the rows added.
  size_t scanFolder(const QString& folder, const std::vector<std::string>& patterns,
                    bool recursive);

  void playSelected();  // "播放此音乐"
  void removeSelected();
  void removeDuplicates();
  void removeAll();
  void deleteSelectedToRecycleBin();
  void openSelectedLocation();
  void copySongName();

  // Dropped or handed-over files and folders: audio files are added,
  // folders scanned, one conversion pass started; with `playFirst` the
  // first new row plays. `names`, where given, name the files' rows until
  // the pass has read their tags. The rows added. Paths as base/qt_path.h
  // carries them, so a name that is not UTF-8 arrives byte for byte.
  size_t addPaths(const QStringList& paths, bool playFirst, const QStringList& names = {});

  // The busy check: true (and the notice shown) while a pass runs.
  bool refuseWhileBusy();

 signals:
  // "下载此音乐" on a row (1-based); the online part opens its dialog.
  void downloadRequested(int row);
  void windowTitleChanged(const QString& title);

 private:
  PlaylistPrompts& prompts();
  void startPass(PassSlot slot);
  void saveList();

  PlaylistController& playlist_;
  PlaybackController& playback_;
  QPointer<QWidget> dialogParent_;
  PlaylistPrompts* prompts_ = nullptr;
  PlaylistPrompts defaultPrompts_;
  bool quitting_ = false;
  size_t refusedNames_ = 0;  // names with a line break met by the command running
  void tellRefused(size_t count);
};

}  // namespace youran
