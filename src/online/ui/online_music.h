#pragma once

// `OnlineMusic`: the search page at work. The buttons 网易搜索 and QQ搜索
// under 搜索框 start a search worker; a double-click on a result queues the
// song for the download worker, which fetches it into YouranMusicCache (or
// finds it there) and hands the file to the playlist. 状态 carries the
// texts the user knows, 下载进度 shows how far the download is.
//
// Threads: every public function is UI-thread only. The workers own copies
// of what they need, never touch a widget, and post their results back.

#include <QObject>
#include <QString>
#include <atomic>
#include <deque>
#include <filesystem>
#include <functional>
#include <list>
#include <memory>
#include <thread>

#include "online/online_hosts.h"
#include "online/song_cache.h"
#include "online/ui/search_results.h"

class QFrame;
class QLineEdit;
class QPushButton;
class QTimer;

namespace youran {

class SearchPage;
class Spinner;

class OnlineMusic : public QObject {
  Q_OBJECT
 public:
  struct Hooks {
    // Adds one file as a playlist row, saves the list and plays it.
    std::function<void(const QString& path, const QString& displayName)> addAndPlay;
    // The failure box (error icon, title "悠然提醒您：").
    std::function<void(const QString& text)> showError;
    // Read at every search and download; empty hosts send nothing.
    std::function<OnlineHosts()> hosts;
    // Brings the search page to the front, and tells whether it is.
    std::function<void()> openSearchPage;
    std::function<bool()> searchPageOpen;
    std::filesystem::path dataFolder;
  };

  // `searchBox` is 搜索框 of "我的音乐", where a search starts; the spinner
  // turns while a search or a download runs.
  OnlineMusic(SearchPage& page, QLineEdit& searchBox, Spinner& spinner, Hooks hooks,
              QObject* parent = nullptr);
  ~OnlineMusic() override;

  void searchPrimary();
  void searchSecondary();
  // The 0-based row of 超级列表框1 / 超级列表框2.
  void addPrimaryRow(int row);
  void addSecondaryRow(int row);

  // Songs waiting behind the one being downloaded.
  int queuedDownloads() const { return static_cast<int>(queue_.size()); }
  bool downloading() const { return downloading_; }
  // Waits until every search and download started so far has ended and its
  // result has been taken in (tests and shutdown).
  void waitForIdle();

  QFrame* popup() const { return popup_; }

 signals:
  void searchFinished(int service);
  void downloadFinished(int outcome);

 private:
  void startSearch(int service);
  void queueDownload(bool primary, int row);
  void busy(bool on);
  void startNextDownload();
  void finishDownload(const SongResult& song, CacheOutcome outcome, const QString& path);
  void showProgress();
  void reapThreads();

  SearchPage& page_;
  QLineEdit& searchBox_;
  Spinner& spinner_;
  Hooks hooks_;
  QFrame* popup_ = nullptr;
  QPushButton* primaryButton_ = nullptr;
  QPushButton* secondaryButton_ = nullptr;
  QTimer* progressTimer_ = nullptr;
  int busyCount_ = 0;
  int searchGeneration_[2] = {0, 0};
  std::deque<SongResult> queue_;
  bool downloading_ = false;
  std::shared_ptr<CacheProgress> progress_;
  std::atomic<bool> stop_{false};
  struct Worker {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };
  std::list<Worker> workers_;
  int pendingResults_ = 0;
};

}  // namespace youran
