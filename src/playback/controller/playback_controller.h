#pragma once

// Turns the playlist into sound: starts a row, pauses and resumes, stops,
// moves to the previous or next row, applies the play mode at the end of a
// track, keeps the position label and the progress knob current twice a
// second, seeks from the progress track and applies the volume knob. Runs
// on the UI thread.

#include <QObject>
#include <cstdint>
#include <functional>
#include <random>

class QAction;
class QMenu;
class QTimer;

namespace youran {

class AudioEngine;
class MainWindow;
class PlaylistController;

enum class PlayMode { singleRepeat, listRepeat, shuffle };

// Steps of a track start that belong to other parts of the player; an empty
// hook is skipped.
struct PlaybackHooks {
  std::function<void(const QString& displayName)> loadLyrics;
  std::function<void(const QString& displayName)> loadCover;
  std::function<void()> startLyricTimer;
  // Taskbar: progress state 0 none, 2 normal, 8 paused; progress value.
  std::function<void(int state)> setTaskbarState;
  std::function<void(uint32_t done, uint32_t total)> setTaskbarProgress;
  // Thumbnail button 2: true shows the pause icon ("暂停"), false the play
  // icon ("继续").
  std::function<void(bool playing)> setTaskbarPlayButton;
};

class PlaybackController : public QObject {
  Q_OBJECT
 public:
  PlaybackController(AudioEngine& engine, MainWindow& window, PlaylistController& playlist,
                     QObject* parent = nullptr);
  ~PlaybackController() override;

  PlaybackHooks& hooks() { return hooks_; }

  uint32_t currentStream() const { return currentStream_; }
  int currentIndex() const { return currentIndex_; }
  bool stopped() const { return stopped_; }
  PlayMode mode() const { return mode_; }
  int volume() const { return volume_; }
  double pixelsPerSecond() const { return pixelsPerSecond_; }

  void playRow(int row);
  void stop();
  void togglePlayPause();
  void next();
  void previous();
  void onTrackEnd();
  void onTimerTick();
  void fadeIn();
  void setMode(PlayMode mode);

  // The picture button `播放暂停`: like togglePlayPause, and it also swaps
  // its own picture.
  void onPictureButton();

  // Seeking: the knob drag (cursor x in window coordinates at each tick of
  // `进度调节`, then the release) and a click on the track.
  void beginProgressDrag();
  void onProgressDragTick(int cursorX);
  void endProgressDrag();
  void clickProgressTrack(int cursorX);

  // The volume knob: drag ticks of `音量钮控制`, and the volume itself.
  void beginVolumeDrag();
  void onVolumeDragTick(int cursorX);
  void endVolumeDrag();
  void setVolumePercent(int percent);

  QMenu* modeMenu() const { return modeMenu_; }
  QTimer* playbackTimer() const { return playbackTimer_; }
  QTimer* progressDragTimer() const { return progressDragTimer_; }
  QTimer* volumeDragTimer() const { return volumeDragTimer_; }

  // Random rows for shuffle; tests give a fixed seed.
  void seedShuffle(uint32_t seed) { random_.seed(seed); }

 signals:
  void trackStarted(int row);
  void stoppedPlaying();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void applyVolume();
  int randomRow();
  void setProgressValue(uint32_t value, uint32_t maximum);
  void showPictureButton(bool playing);
  int cursorXInWindow() const;
  bool spectrumOn() const;

  AudioEngine& engine_;
  MainWindow& window_;
  PlaylistController& playlist_;
  PlaybackHooks hooks_;

  uint32_t currentStream_ = 0;
  int currentIndex_ = 0;
  bool stopped_ = true;
  int64_t lastPosition_ = 0;
  uint32_t lastLength_ = 0;
  bool progressUpdating_ = false;
  double pixelsPerSecond_ = 0;
  uint32_t progressValue_ = 0;
  uint32_t progressMaximum_ = 0;
  int volume_ = 100;
  PlayMode mode_ = PlayMode::listRepeat;
  std::mt19937 random_;

  QTimer* playbackTimer_;
  QTimer* progressDragTimer_;
  QTimer* volumeDragTimer_;
  QMenu* modeMenu_;
  QAction* modeActions_[3] = {};
};

}  // namespace youran
