#include "playback/controller/playback_controller.h"

#include <QTimer>
#include <chrono>
#include <filesystem>

#include "base/memory_trim.h"
#include "playback/audio_engine.h"
#include "playback/controller/track_labels.h"
#include "playback/controller/track_start_steps.h"
#include "playlist/ui/playlist_controller.h"

namespace youran {

namespace {

QString toQ(const std::string& text) { return QString::fromStdString(text); }

constexpr int kFadeMs = 500;
constexpr int kTickMs = 500;

}  // namespace

PlaybackController::PlaybackController(AudioEngine& engine, NowPlaying& nowPlaying, PlaylistController& playlist,
                                       QObject* parent)
    : QObject(parent), engine_(engine), now_(nowPlaying), playlist_(playlist), random_(std::random_device{}()) {
  playbackTimer_ = new QTimer(this);
  playbackTimer_->setObjectName(QStringLiteral("播放时钟"));
  connect(playbackTimer_, &QTimer::timeout, this, &PlaybackController::onTimerTick);
  connect(&playlist_, &PlaylistController::rowActivated, this, [this](int row) {
    playRow(row);
    fadeIn();
  });
}

PlaybackController::~PlaybackController() = default;

double PlaybackController::livePositionSeconds() const {
  if (currentStream_ == 0) return 0;
  return std::max(0.0, engine_.bytesToSeconds(currentStream_, engine_.getPosition(currentStream_)));
}

void PlaybackController::applyVolume() { engine_.setVolume(currentStream_, now_.volume()); }

void PlaybackController::setCurrentIndex(int row) {
  currentIndex_ = row;
  now_.setRow(row);
}

void PlaybackController::playRow(int row) {
  applyVolume();
  auto& list = playlist_.list();
  const bool inRange = row >= 1 && static_cast<size_t>(row) <= list.size();
  std::error_code ec;
  if (inRange && !std::filesystem::exists(list.trackPath(static_cast<size_t>(row)), ec)) {
    // The missing file's own row is the dead one; the current index keeps
    // pointing at the same track.
    playlist_.dropRow(row);
    if (row < currentIndex_) setCurrentIndex(currentIndex_ - 1);
  } else if (inRange) {
    engine_.stop(currentStream_);
    engine_.freeStream(currentStream_);
    engine_.free();
    engine_.init();
    const std::string& path = list.trackPath(static_cast<size_t>(row));
    currentStream_ = engine_.createStream(path);
    stopped_ = false;
    playbackTimer_->start(kTickMs);

    currentIndex_ = row;
    setProgressValue(0, now_.progressMaximum());

    NowPlaying::Track track;
    track.row = row;
    track.path = toQ(path);
    track.displayName = toQ(list.row(static_cast<size_t>(row - 1)).name);
    auto labels = splitDisplayName(list.row(static_cast<size_t>(row - 1)).name);
    track.song = toQ(labels.song);
    track.artist = toQ(labels.artist);
    track.lengthSeconds = std::max(0.0, engine_.bytesToSeconds(currentStream_, engine_.getLength(currentStream_)));
    now_.setTrack(track);
    now_.setTitle(track.displayName);
    playlist_.selectRow(row);

    runTrackStartSteps(track.displayName);
    if (steps_) steps_->attachEffects(currentStream_);

    now_.setPlayState(PlayState::playing);
    engine_.play(currentStream_, true);
  }
  now_.setWindowTitle(now_.title());
  applyVolume();
}

// The other parts' steps of a track start, in the order they must run.
void PlaybackController::runTrackStartSteps(const QString& displayName) {
  if (!steps_) return;
  steps_->loadLyrics(displayName);
  steps_->loadCover(displayName);
  trimMemory();
  steps_->startLyricTimer();
  trimMemory();
  steps_->showDefaultCover();
}

void PlaybackController::stop() {
  stopped_ = true;
  setProgressValue(0, now_.progressMaximum());
  lastPosition_ = 0;
  now_.setTitle(QStringLiteral("等待播放"));
  playbackTimer_->stop();
  now_.resetTimes();
  now_.setWindowTitle(QStringLiteral("悠然音乐 6"));
  now_.setPlayState(PlayState::idle);
  engine_.stop(currentStream_);
  engine_.freeStream(currentStream_);
  engine_.free();
}

void PlaybackController::togglePlayPause() {
  int selected = playlist_.selectedRow();
  if (selected == 0) {
    if (engine_.isActive(currentStream_) == 0 && currentIndex_ >= 1) {
      playlist_.selectRow(currentIndex_);
      selected = playlist_.selectedRow();
    } else if (engine_.isActive(currentStream_) == 0) {
      return;
    }
  }
  switch (engine_.isActive(currentStream_)) {
    case 0:
      if (selected == 0) return;
      playRow(selected);
      break;
    case 1:
      engine_.pause(currentStream_);
      playbackTimer_->stop();
      now_.setPlayState(PlayState::paused);
      break;
    default:
      playbackTimer_->start(kTickMs);
      engine_.play(currentStream_, false);
      now_.setPlayState(PlayState::playing);
      break;
  }
}

int PlaybackController::randomRow() {
  auto rows = static_cast<int>(playlist_.list().size());
  if (rows < 1) return 0;
  return std::uniform_int_distribution<int>(1, rows)(random_);
}

void PlaybackController::next() {
  if (now_.mode() == PlayMode::shuffle)
    playRow(randomRow());
  else
    playRow(currentIndex_ + 1);
  fadeIn();
}

void PlaybackController::previous() {
  if (now_.mode() == PlayMode::shuffle)
    playRow(randomRow());
  else
    playRow(currentIndex_ - 1);
  fadeIn();
}

void PlaybackController::onTrackEnd() {
  const int rows = static_cast<int>(playlist_.list().size());
  switch (now_.mode()) {
    case PlayMode::singleRepeat:
      if (currentIndex_ >= 1 && currentIndex_ <= rows) {
        playRow(currentIndex_);
        fadeIn();
      } else {
        stop();
      }
      break;
    case PlayMode::listRepeat:
      // Past the end means the current row itself was removed; starting
      // whatever row now sits there would play the wrong track.
      if (currentIndex_ > rows) {
        stop();
        break;
      }
      if (currentIndex_ >= rows) setCurrentIndex(0);
      playRow(currentIndex_ + 1);
      fadeIn();
      break;
    case PlayMode::shuffle:
      random_.seed(static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
      playRow(randomRow());
      fadeIn();
      break;
  }
}

void PlaybackController::onTimerTick() {
  lastPosition_ = engine_.getPosition(currentStream_);
  lastLength_ = static_cast<uint32_t>(engine_.getLength(currentStream_));
  const double seconds = std::max(0.0, engine_.bytesToSeconds(currentStream_, lastPosition_));

  progressUpdating_ = true;
  setProgressValue(static_cast<uint32_t>(lastPosition_), lastLength_);
  progressUpdating_ = false;
  now_.setPosition(seconds, static_cast<uint32_t>(lastPosition_), lastLength_);

  if (trackEnded(engine_.getPosition(currentStream_), lastLength_)) {
    onTrackEnd();
    return;
  }
  pixelsPerSecond_ = ProgressGeometry::pixelsPerSecond(now_.lengthWholeSeconds());
}

// The hidden progress bar's change handler: a value set from outside the
// timer is a seek.
void PlaybackController::setProgressValue(uint32_t value, uint32_t maximum) {
  value = std::min(value, maximum);
  if (engine_.isActive(currentStream_) != 0 && !progressUpdating_) {
    engine_.setPosition(currentStream_, value);
    if (!stopped_) fadeIn();
  }
}

void PlaybackController::fadeIn() {
  if (currentStream_ == 0) return;
  engine_.rampVolume(currentStream_, 0, now_.volume(), kFadeMs);
}

void PlaybackController::setMode(PlayMode mode) { now_.setMode(mode); }

void PlaybackController::seekToSeconds(double seconds) {
  engine_.setPosition(currentStream_, engine_.secondsToBytes(currentStream_, seconds));
  now_.announceSeek(seconds);
}

void PlaybackController::seekToKnob(int knobX) {
  if (pixelsPerSecond_ <= 0) return;
  seekToSeconds(ProgressGeometry::secondsAt(knobX, pixelsPerSecond_));
}

void PlaybackController::clickProgressTrack(int cursorX) {
  if (pixelsPerSecond_ <= 0) return;
  seekToSeconds(ProgressGeometry::secondsAt(ProgressGeometry::clickX(cursorX), pixelsPerSecond_));
}

void PlaybackController::setVolumePercent(int percent) {
  now_.setVolume(percent);
  engine_.setVolume(currentStream_, now_.volume());
}

}  // namespace youran
