#include "app/player_assembly.h"

#include <QLabel>
#include <QTableView>

#include "app/main_window.h"
#include "app/pages.h"
#include "playback/audio_engine.h"
#include "playback/controller/playback_controller.h"
#include "playlist/conversion_defaults.h"
#include "playlist/ui/playlist_controller.h"
#include "playlist/ui/playlist_model.h"

namespace youran {

PlayerAssembly::PlayerAssembly(PlayerApp& app, AudioEngine& engine) : app_(app), engine_(engine) {
  auto* window = app_.mainWindow();
  playlist_ = std::make_unique<PlaylistController>(defaultConversionFunctions(
      [this] {
        // Called on the conversion worker; the engine answers from any thread.
        return engine_.isActive(currentStream_.load()) != 0;
      },
      &engine_));
  playlist_->attachView(window->musicPage()->playlistView());
  playback_ = std::make_unique<PlaybackController>(engine_, *window, *playlist_);
  auto noteStream = [this] { currentStream_.store(playback_->currentStream()); };
  QObject::connect(playback_.get(), &PlaybackController::trackStarted, noteStream);
  QObject::connect(playback_.get(), &PlaybackController::stoppedPlaying, noteStream);

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
}

StartupHooks PlayerAssembly::hooks() {
  StartupHooks hooks;
  hooks.initAudio = [this] { return engine_.init(); };
  hooks.loadPlugin = [this](const QString& path) { engine_.loadPlugin(path.toStdString()); };
  hooks.loadPlaylist = [this] { playlist_->loadDefaultList(); };
  hooks.stopWorkers = [this] { playlist_->shutdown(); };
  hooks.stopStream = [this] { engine_.stop(playback_->currentStream()); };
  hooks.freeAudio = [this] { engine_.free(); };
  return hooks;
}

}  // namespace youran
