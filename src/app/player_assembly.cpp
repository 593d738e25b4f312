#include "app/player_assembly.h"

#include <QLabel>
#include <QStackedWidget>
#include <QTableView>

#include "app/lyrics_view.h"
#include "app/main_window.h"
#include "app/settings_file.h"
#include "app/settings_keys.h"
#include "app/settings_page.h"
#include "app/pages.h"
#include "app/playlist_menus.h"
#include "app/transport_view.h"
#include "base/data_folder.h"
#include "lyrics/ui/desktop_lyrics_window.h"
#include "lyrics/ui/lyric_loader.h"
#include "playback/audio_engine.h"
#include "playback/controller/now_playing.h"
#include "playback/controller/playback_controller.h"
#include "playback/controller/track_start_steps.h"
#include "playlist/conversion_defaults.h"
#include "playlist/ui/playlist_commands.h"
#include "playlist/ui/playlist_controller.h"
#include "playlist/ui/playlist_model.h"

namespace youran {

// The track-start steps of the parts built here; each part overrides its
// own step and reads what it needs from the assembly.
class PlayerAssembly::TrackStart final : public TrackStartSteps {
 public:
  explicit TrackStart(PlayerAssembly& assembly) : assembly_(assembly) {}

  void loadLyrics(const QString& displayName) override { assembly_.lyrics_->loadTrackLyrics(displayName); }
  void startLyricTimer() override { assembly_.lyrics_->startLyricTimer(); }

 private:
  PlayerAssembly& assembly_;
};

PlayerAssembly::PlayerAssembly(PlayerApp& app, AudioEngine& engine) : app_(app), engine_(engine) {
  auto* window = app_.mainWindow();
  nowPlaying_ = std::make_unique<NowPlaying>();
  playlist_ = std::make_unique<PlaylistController>(defaultConversionFunctions(
      [this] {
        // Called on the conversion worker; the engine answers from any thread.
        return engine_.isActive(currentStream_.load()) != 0;
      },
      &engine_));
  playlist_->attachView(window->musicPage()->playlistView());
  playback_ = std::make_unique<PlaybackController>(engine_, *nowPlaying_, *playlist_);
  transport_ = std::make_unique<TransportView>(*window, *nowPlaying_, *playback_);
  // The lyric fetch is the online service's; until it answers, a track
  // without a lyric file gets an empty one.
  desktopLyrics_ = std::make_unique<DesktopLyricsWindow>();
  lyricLoader_ = std::make_unique<LyricLoader>(dataFolder(), [](const std::string&) { return std::string(); });
  LyricsView::Sources lyricSources;
  lyricSources.livePositionSeconds = [this] { return playback_->livePositionSeconds(); };
  lyricSources.nowPlayingPageOpen = [window] { return window->pages()->currentIndex() == MainWindow::kNowPlaying; };
  lyrics_ = std::make_unique<LyricsView>(*nowPlaying_, *desktopLyrics_, *lyricLoader_, std::move(lyricSources));
  lyrics_->attachControls(window->lyricButton(), window->desktopLyricsBox(), window->nowPlayingPage()->lyricLine());
  connectLyricSettings();
  trackStart_ = std::make_unique<TrackStart>(*this);
  playback_->setTrackStartSteps(trackStart_.get());

  auto noteStream = [this] { currentStream_.store(playback_->currentStream()); };
  QObject::connect(nowPlaying_.get(), &NowPlaying::trackChanged, noteStream);
  QObject::connect(nowPlaying_.get(), &NowPlaying::playStateChanged, noteStream);

  auto* hint = window->musicPage()->emptyHint();
  auto updateHint = [this, hint] { hint->setVisible(playlist_->list().empty()); };
  QObject::connect(playlist_->model(), &QAbstractItemModel::rowsInserted, hint, updateHint);
  QObject::connect(playlist_->model(), &QAbstractItemModel::rowsRemoved, hint, updateHint);
  QObject::connect(playlist_->model(), &QAbstractItemModel::modelReset, hint, updateHint);
  QObject::connect(playlist_.get(), &PlaylistController::windowTitleChanged, window, &QWidget::setWindowTitle);

  playlistCommands_ = std::make_unique<PlaylistCommands>(*playlist_, *playback_, window);
  playlistMenus_ = std::make_unique<PlaylistMenus>(*window->musicPage(), *playlist_, *playlistCommands_);
  QObject::connect(playlistCommands_.get(), &PlaylistCommands::windowTitleChanged, window, &QWidget::setWindowTitle);

  app_.hooks() = hooks();
}

void PlayerAssembly::connectLyricSettings() {
  auto* page = app_.mainWindow()->settingsPage();
  const bool karaoke = settings::parseFlag(readSetting(settings::kLyricSection, settings::kLyricKaraoke)).value_or(true);
  const bool locked = settings::parseFlag(readSetting(settings::kLyricSection, settings::kLyricLocked)).value_or(false);
  page->showKaraoke(karaoke);
  page->showLyricsLocked(locked);
  lyrics_->setKaraoke(karaoke);
  lyrics_->setLocked(locked);
  QObject::connect(page, &SettingsPage::karaokeChanged, lyrics_.get(), &LyricsView::setKaraoke);
  QObject::connect(page, &SettingsPage::lyricsLockedChanged, lyrics_.get(), &LyricsView::setLocked);
  // A lock from the line's own menu is remembered the same way.
  QObject::connect(lyrics_.get(), &LyricsView::lockChanged, page, [page](bool on) {
    if (page->lyricsLocked() == on) return;
    page->showLyricsLocked(on);
    writeSetting(settings::kLyricSection, settings::kLyricLocked, std::string(settings::flagText(on)));
  });
}

PlayerAssembly::~PlayerAssembly() {
  // The hooks reach into this object; PlayerApp may outlive it and run its
  // shutdown steps from its own destructor.
  app_.hooks() = {};
  if (lyricLoader_) lyricLoader_->shutdown();
  if (playlist_) playlist_->shutdown();
  if (playback_) playback_->setTrackStartSteps(nullptr);
}

StartupHooks PlayerAssembly::hooks() {
  StartupHooks hooks;
  hooks.initAudio = [this] { return engine_.init(); };
  hooks.loadPlugin = [this](const QString& path) { engine_.loadPlugin(path.toStdString()); };
  hooks.loadPlaylist = [this] { playlist_->loadDefaultList(); };
  hooks.createDesktopLyrics = [this](const QString& font) { lyrics_->setLyricFont(font); };
  hooks.stopWorkers = [this] {
    lyricLoader_->shutdown();
    playlist_->shutdown();
  };
  hooks.stopStream = [this] { engine_.stop(playback_->currentStream()); };
  hooks.freeAudio = [this] { engine_.free(); };
  hooks.openFiles = [this](const QStringList& paths) { playlistCommands_->addPaths(paths, true); };
  return hooks;
}

}  // namespace youran
