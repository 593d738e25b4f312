#pragma once

// Turns the playlist into sound: starts a row, pauses and resumes, stops,
// moves to the previous or next row, applies the play mode at the end of a
// track, reads the position twice a second, seeks and applies the volume.
// Everything it learns it writes to `NowPlaying`; it knows no widget. Runs
// on the UI thread.

#include <QObject>
#include <cstdint>
#include <functional>
#include <string>
#include <random>

#include "playback/controller/now_playing.h"

class QTimer;

namespace youran {

class AudioEngine;
class TrackRows;
class TrackStartSteps;

class PlaybackController : public QObject {
  Q_OBJECT
 public:
  PlaybackController(AudioEngine& engine, NowPlaying& nowPlaying, TrackRows& rows, QObject* parent = nullptr);
  ~PlaybackController() override;

  // The other parts' steps of a track start; null runs none of them. Not
  // owned.
  void setTrackStartSteps(TrackStartSteps* steps) { steps_ = steps; }
  // The loudness levelling factor of a track's file, asked at every track
  // start; unset means 1.
  void setTrackGain(std::function<double(const std::string& path)> gainFor) { gainFor_ = std::move(gainFor); }
  // Gapless playback (off by default): the track that follows the end of
  // this one is opened a few seconds ahead and joined to it in the engine,
  // with no re-initialisation and no fade-in; its track start runs when the
  // join is heard. User actions always start a track the usual way.
  void setGapless(bool on);
  bool gapless() const { return gapless_; }
  // The stream joined to the current one, 0 when none waits.
  uint32_t followingStream() const { return followingStream_; }

  NowPlaying& nowPlaying() const { return now_; }
  uint32_t currentStream() const { return currentStream_; }
  int currentIndex() const { return currentIndex_; }
  bool stopped() const { return stopped_; }
  double pixelsPerSecond() const { return pixelsPerSecond_; }
  // The position now, read from the engine (MPRIS asks on demand).
  double livePositionSeconds() const;

  // Starts a row as a user's action does: the track start, then the
  // fade-in. Double-clicks, the menu, next and previous, the end of a track
  // and files opened from outside all come here.
  void startRow(int row);
  // The track start alone, at full volume at once.
  void playRow(int row);
  void stop();
  void togglePlayPause();
  void next();
  void previous();
  void onTrackEnd();
  void onTimerTick();
  void fadeIn();
  void setMode(PlayMode mode);

  // Seeking: the progress knob released at `knobX`, or a click on the
  // progress track at `cursorX` (main-window coordinates).
  void seekToKnob(int knobX);
  void clickProgressTrack(int cursorX);
  void setVolumePercent(int percent);
  // A jump to a position of the current track (MPRIS).
  void seekToSeconds(double seconds);

  QTimer* playbackTimer() const { return playbackTimer_; }

  // Random rows for shuffle; tests give a fixed seed.
  void seedShuffle(uint32_t seed) { random_.seed(seed); }

 signals:
  // A row whose file the engine could not open; playback is stopped.
  void trackFailed(const QString& displayName, const QString& path);

 private:
  void runTrackStartSteps(const QString& displayName);
  void showTrack(int row, const std::string& path);
  // The row the end of the current track starts in the play mode; 0 for none.
  int rowAfterEnd();
  void prepareFollowing();
  void dropFollowing();
  // Gapless off, the mode changed, or the following row left the list: a
  // join already made is kept (its sound is on its way), one not yet made
  // is dropped.
  void cancelFollowing();
  void watchJoin();
  void takeOverFollowing();
  void setCurrentIndex(int row);
  void followRemovedRows(const QList<int>& rows);
  void applyVolume();
  int randomRow();
  void setProgressValue(uint32_t value, uint32_t maximum);

  AudioEngine& engine_;
  NowPlaying& now_;
  TrackRows& rows_;
  TrackStartSteps* steps_ = nullptr;
  std::function<double(const std::string&)> gainFor_;

  uint32_t currentStream_ = 0;
  int currentIndex_ = 0;
  bool stopped_ = true;
  int64_t lastPosition_ = 0;
  uint32_t lastLength_ = 0;
  bool progressUpdating_ = false;
  double pixelsPerSecond_ = 0;
  std::mt19937 random_;
  bool gapless_ = false;
  uint32_t followingStream_ = 0;
  int followingRow_ = 0;
  uint32_t preparedFor_ = 0;  // the stream a following track was tried for
  std::string followingPath_;

  QTimer* playbackTimer_;
  // Runs only in the last moments before a join, so the track start is on
  // time to within its period rather than the 500 ms of the playback timer.
  QTimer* joinTimer_;
};

}  // namespace youran
