#pragma once

// The steps of a track start that belong to other parts of the player. The
// controller runs them in one place (`PlaybackController::runTrackStartSteps`)
// in this order, after the labels and before the stream plays:
//
//   loadLyrics, loadCover, trim memory, startLyricTimer, trim memory,
//   showDefaultCover, attachEffects
//
// Each step is a no-op until the part that owns it overrides it. UI thread.

#include <QString>
#include <cstdint>

namespace youran {

class TrackStartSteps {
 public:
  virtual ~TrackStartSteps() = default;

  // The lyric file of the display name, fetched when it is missing.
  virtual void loadLyrics(const QString& displayName) { (void)displayName; }
  // The cover up to and including the start of its re-encoding worker.
  virtual void loadCover(const QString& displayName) { (void)displayName; }
  // The 1000 ms lyric timer; started at the first track start, never stopped.
  virtual void startLyricTimer() {}
  // The built-in picture when the cover step found none.
  virtual void showDefaultCover() {}
  // The ticked sound effects, on the new stream before it is heard.
  virtual void attachEffects(uint32_t stream) { (void)stream; }
};

}  // namespace youran
