#pragma once

// Where the subsystems meet: the playlist, the playback controller, what is
// playing and the views of it are built over the main window, and the
// start-up and shutdown sequences get their steps from them.

#include <atomic>
#include <cstdint>
#include <memory>

#include "app/player_app.h"

namespace youran {

class AudioEngine;
class NowPlaying;
class PlaylistController;
class PlaybackController;
class TransportView;
class PlayerVisuals;

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
  PlayerVisuals& visuals() { return *visuals_; }

 private:
  class TrackStart;

  PlayerApp& app_;
  AudioEngine& engine_;
  std::unique_ptr<NowPlaying> nowPlaying_;
  std::unique_ptr<PlaylistController> playlist_;
  std::unique_ptr<PlaybackController> playback_;
  std::unique_ptr<TransportView> transport_;
  std::unique_ptr<PlayerVisuals> visuals_;
  std::unique_ptr<TrackStart> trackStart_;
  // The playing stream, for the conversion worker's window title.
  std::atomic<uint32_t> currentStream_{0};
};

}  // namespace youran
