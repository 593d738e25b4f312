#pragma once

// What levels a track: the setting (off, track, album, pre-amp) and where a
// track's loudness is known from (its tags first, then the store).

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "playback/dsp/replay_gain.h"
#include "playback/loudness/loudness_store.h"

namespace youran {

// The gains of a track: from its tags, else from the store; with
// `measureIfUnknown`, a track in neither is measured on the spot (the CLI;
// the player never measures on its UI thread).
GainFacts GainFactsFor(const std::string& path, LoudnessStore* store, bool measureIfUnknown);

// Setting.ini keys.
inline constexpr const char* kPlaybackSection = "Playback";
inline constexpr const char* kReplayGainKey = "ReplayGain";
inline constexpr const char* kPreampKey = "PreampDB";

class TrackLeveling {
 public:
  explicit TrackLeveling(std::shared_ptr<LoudnessStore> store) : store_(std::move(store)) {}

  void setMode(ReplayGainMode mode) { mode_.store(mode); }
  ReplayGainMode mode() const { return mode_.load(); }
  // Clamped to -15..15 dB.
  void setPreampDb(double db);
  double preampDb() const { return preamp_.load(); }
  // From Setting.ini's `Playback` section (missing or unknown values: off, 0).
  void loadSettings();

  // The linear factor for a track; 1 when levelling is off or nothing is
  // known of the track yet.
  double factorFor(const std::string& path) const;

  LoudnessStore* store() const { return store_.get(); }
  const std::shared_ptr<LoudnessStore>& sharedStore() const { return store_; }

 private:
  std::shared_ptr<LoudnessStore> store_;
  std::atomic<ReplayGainMode> mode_{ReplayGainMode::kOff};
  std::atomic<double> preamp_{0.0};
};

}  // namespace youran
