#pragma once

// Where the subsystems meet: the playlist, the playback controller, what is
// playing and the views of it are built over the main window, and the
// start-up and shutdown sequences get their steps from them.

#include <atomic>
#include <cstdint>
#include <QPointer>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

#include "app/player_app.h"

class QTimer;

namespace youran {

class AudioEngine;
class CacheSettings;
class NowPlaying;
class PlaylistController;
class PlaybackController;
class TransportView;
class DesktopLyricsWindow;
class LyricLoader;
class LyricsView;
class DbusTaskbar;
class TaskbarView;
class MiniPanel;
class PlayerVisuals;
class PlaylistCommands;
class PlaylistMenus;
class OnlineMusic;
class DownloadDialog;
class SoundEffects;
class EffectsWindow;

class TrackLeveling;
class LoudnessScanner;

class PlayerAssembly {
 public:
  PlayerAssembly(PlayerApp& app, AudioEngine& engine);
  ~PlayerAssembly();

  // The hooks PlayerApp runs; installed by the constructor.
  StartupHooks hooks();

  NowPlaying& nowPlaying() { return *nowPlaying_; }
  PlaylistController& playlist() { return *playlist_; }
  PlaybackController& playback() { return *playback_; }
  TransportView& transport() { return *transport_; }
  LyricsView& lyrics() { return *lyrics_; }
  DesktopLyricsWindow& desktopLyrics() { return *desktopLyrics_; }
  DbusTaskbar& taskbar() { return *taskbar_; }
  // Made when first opened.
  MiniPanel& miniPanel();
  void openMiniPanel();
  // Adds files (and folders, scanned) as new rows, converts them in the
  // background and plays the first: a hand-over from a second copy, MPRIS
  // OpenUri.
  void openFiles(const QStringList& paths);
  PlayerVisuals& visuals() { return *visuals_; }
  PlaylistCommands& playlistCommands() { return *playlistCommands_; }
  PlaylistMenus& playlistMenus() { return *playlistMenus_; }
  OnlineMusic& online() { return *online_; }
  // "下载此音乐" for a playlist row (1-based): the download dialog.
  DownloadDialog* openDownloadDialog(int row);
  SoundEffects& soundEffects() { return *effects_; }
  // 透明标签8: the effects window, made when first opened.
  EffectsWindow& openEffectsWindow();

 private:
  class TrackStart;
  void connectLyricSettings();
  void connectLeveling();
  void setUpCacheSettings();
  void rememberState();
  void bindKeys();
  void showBigLine(bool opening);
  void setUpDesktop();
  void onTaskbarButton(int id);

  PlayerApp& app_;
  AudioEngine& engine_;
  std::unique_ptr<NowPlaying> nowPlaying_;
  std::unique_ptr<PlaylistController> playlist_;
  std::unique_ptr<PlaybackController> playback_;
  std::unique_ptr<TransportView> transport_;
  std::unique_ptr<DesktopLyricsWindow> desktopLyrics_;
  std::unique_ptr<LyricLoader> lyricLoader_;
  std::unique_ptr<LyricsView> lyrics_;
  std::unique_ptr<PlayerVisuals> visuals_;
  std::unique_ptr<TrackStart> trackStart_;
  std::unique_ptr<DbusTaskbar> taskbar_;
  std::unique_ptr<TaskbarView> taskbarView_;
  std::unique_ptr<MiniPanel> miniPanel_;
  std::unique_ptr<PlaylistCommands> playlistCommands_;
  std::unique_ptr<PlaylistMenus> playlistMenus_;
  std::unique_ptr<SoundEffects> effects_;
  std::unique_ptr<TrackLeveling> leveling_;
  std::unique_ptr<LoudnessScanner> loudnessScanner_;
  // A child of the main window; deleted with this object if it still exists.
  QPointer<EffectsWindow> effectsWindow_;
  // The playing stream, for the conversion worker's window title.
  std::atomic<uint32_t> currentStream_{0};
  // Last: its workers stop before the playlist they hand songs to goes.
  std::unique_ptr<OnlineMusic> online_;
  CacheSettings* cacheSettings_ = nullptr;  // owned by the settings page
  QTimer* volumeSave_ = nullptr;
};

}  // namespace youran
