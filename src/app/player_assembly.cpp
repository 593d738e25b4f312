#include "app/player_assembly.h"

#include <QLabel>
#include <QTableView>

#include "app/main_window.h"
#include "app/pages.h"
#include "app/cover_art.h"
#include "app/player_visuals.h"
#include "app/transport_view.h"
#include "playback/audio_engine.h"
#include "playback/controller/now_playing.h"
#include "playback/controller/playback_controller.h"
#include "playback/controller/track_start_steps.h"
#include "playlist/conversion_defaults.h"
#include "playlist/ui/playlist_controller.h"
#include "playlist/ui/playlist_model.h"

namespace youran {

// The track-start steps of the parts built here; each part overrides its
// own step and reads what it needs from the assembly.
class PlayerAssembly::TrackStart final : public TrackStartSteps {
 public:
  explicit TrackStart(PlayerAssembly& assembly) : assembly_(assembly) {}

  void loadCover(const QString& displayName) override { assembly_.visuals().cover().loadCover(displayName); }
  void showDefaultCover() override { assembly_.visuals().cover().showDefaultCover(); }

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
  visuals_ = std::make_unique<PlayerVisuals>(*window, *nowPlaying_, engine_, *playback_);
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

  app_.hooks() = hooks();
}

PlayerAssembly::~PlayerAssembly() {
  if (playlist_) playlist_->shutdown();
  if (playback_) playback_->setTrackStartSteps(nullptr);
}

StartupHooks PlayerAssembly::hooks() {
  StartupHooks hooks;
  hooks.initAudio = [this] { return engine_.init(); };
  hooks.loadPlugin = [this](const QString& path) { engine_.loadPlugin(path.toStdString()); };
  hooks.loadPlaylist = [this] { playlist_->loadDefaultList(); };
  hooks.applyWindowChrome = [this] { visuals_->applyWindowChrome(); };
  hooks.stopWorkers = [this] { playlist_->shutdown(); };
  hooks.stopStream = [this] { engine_.stop(playback_->currentStream()); };
  hooks.freeAudio = [this] { engine_.free(); };
  return hooks;
}

}  // namespace youran
