#pragma once

// Where the subsystems meet: the playlist and the playback controller are
// built over the main window, and the start-up and shutdown sequences get
// their steps from them.

#include <atomic>
#include <cstdint>
#include <memory>

#include "app/player_app.h"

namespace youran {

class AudioEngine;
class PlaylistController;
class PlaybackController;

class PlayerAssembly {
 public:
  PlayerAssembly(PlayerApp& app, AudioEngine& engine);
  ~PlayerAssembly();

  // The hooks PlayerApp runs; installed by the constructor.
  StartupHooks hooks();

  PlaylistController& playlist() { return *playlist_; }
  PlaybackController& playback() { return *playback_; }

 private:
  PlayerApp& app_;
  AudioEngine& engine_;
  std::unique_ptr<PlaylistController> playlist_;
  std::unique_ptr<PlaybackController> playback_;
  // The playing stream, for the conversion worker's window title.
  std::atomic<uint32_t> currentStream_{0};
};

}  // namespace youran
