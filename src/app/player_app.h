#pragma once

// The life of the player: the start-up sequence run once the main window
// exists, the exit dialog, the tray icon and the shutdown sequence.

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "settings/instance_lock.h"

class QSystemTrayIcon;
class QMenu;

namespace youran {

class MainWindow;
class ExitDialog;
class HandoverServer;

// What the later subsystems plug into the start-up and shutdown sequences.
// An empty hook is a step that is skipped.
struct StartupHooks {
  std::function<bool()> initAudio;                    // false shows the sound-card notice
  std::function<void(const QString& path)> loadPlugin;
  std::function<void()> loadPlaylist;
  std::function<void()> setUpTaskbar;
  std::function<void()> applyWindowChrome;
  std::function<void(const QString& font)> createDesktopLyrics;
  std::function<void(QMenu& menu)> fillTrayMenu;  // between "显示主界面" and "退出悠然音乐"
  std::function<void()> openMiniPanel;
  std::function<void()> stopWorkers;   // asks and waits; nothing is killed
  std::function<void()> stopStream;
  std::function<void()> freeAudio;
  // Files opened with the player (its own arguments, or handed over by a
  // second copy): added to the playlist, the first new row played.
  std::function<void(const QStringList& paths)> openFiles;
};

// `family` when it is installed, else the family the system's font matching
// (fontconfig on Linux) draws it with.
QString installedFontFamily(const QString& family);

class PlayerApp : public QObject {
  Q_OBJECT
 public:
  explicit PlayerApp(StartupHooks hooks = {}, QObject* parent = nullptr);
  ~PlayerApp() override;

  MainWindow* mainWindow() const { return window_.get(); }
  StartupHooks& hooks() { return hooks_; }

  // The start-up sequence. False when another copy runs: only the notice is
  // shown, and that copy ends when it is confirmed.
  bool start(const std::filesystem::path& lockPath = InstanceLock::defaultPath());
  bool running() const { return lock_.held(); }

  // Files the player was started with. A second copy hands them to the
  // running one and ends without its notice.
  void setOpenedFiles(const QStringList& paths) { openedFiles_ = paths; }
  bool handedOver() const { return handedOver_; }

  // The exit dialog (modal); `choose` answers it without showing it.
  void onCloseButton();
  void onMinimizeButton();
  void showMainWindow();
  // The shutdown sequence; ends the event loop.
  void shutdown();

  bool desktopLyricsOn() const { return desktopLyricsOn_; }
  QString lyricFont() const { return lyricFont_; }
  QSystemTrayIcon* trayIcon() const { return tray_; }

  // Tests answer the exit dialog here instead of a person.
  std::function<void(ExitDialog&)> answerExitDialog;

 signals:
  void shutDown();

 private:
  void scanPlugins();
  void createTrayIcon();
  void prepareFolders();
  void loadDownloadFolder();
  void loadLyricFont();
  void loadVisualOptions();

  StartupHooks hooks_;
  std::unique_ptr<MainWindow> window_;
  InstanceLock lock_;
  QSystemTrayIcon* tray_ = nullptr;
  std::unique_ptr<QMenu> trayMenu_;
  bool desktopLyricsOn_ = false;
  QString lyricFont_;
  bool shutDown_ = false;
  QStringList openedFiles_;
  bool handedOver_ = false;
  HandoverServer* handover_ = nullptr;
};

}  // namespace youran
