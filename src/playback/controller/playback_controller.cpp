#include "playback/controller/playback_controller.h"

#include <QTimer>
#include <algorithm>
#include <chrono>
#include <filesystem>

#include "base/memory_trim.h"
#include "playback/audio_engine.h"
#include "playback/controller/track_labels.h"
#include "playback/controller/track_start_steps.h"
#include "playback/controller/track_rows.h"
#include "base/qt_text.h"

namespace youran {

namespace {

constexpr int kFadeMs = 500;
constexpr int kTickMs = 500;
// Gapless: the following track is opened this long before the end, and the
// join is watched this often once it is less than a tick and a bit away.
constexpr double kPrepareSeconds = 5.0;
constexpr double kWatchSeconds = 0.75;
constexpr int kJoinPollMs = 10;

}  // namespace

PlaybackController::PlaybackController(AudioEngine& engine, NowPlaying& nowPlaying, TrackRows& rows,
                                       QObject* parent)
    : QObject(parent), engine_(engine), now_(nowPlaying), rows_(rows), random_(std::random_device{}()) {
  playbackTimer_ = new QTimer(this);
  playbackTimer_->setObjectName(QStringLiteral("播放时钟"));
  connect(playbackTimer_, &QTimer::timeout, this, &PlaybackController::onTimerTick);
  joinTimer_ = new QTimer(this);
  joinTimer_->setInterval(kJoinPollMs);
  joinTimer_->setTimerType(Qt::PreciseTimer);
  connect(joinTimer_, &QTimer::timeout, this, &PlaybackController::watchJoin);
  connect(&now_, &NowPlaying::modeChanged, this, &PlaybackController::cancelFollowing);
  connect(&rows_, &TrackRows::rowActivated, this, &PlaybackController::startRow);
  connect(&rows_, &TrackRows::rowsRemoved, this, &PlaybackController::followRemovedRows);
  connect(&rows_, &TrackRows::cleared, this, [this] { setCurrentIndex(0); });
}

PlaybackController::~PlaybackController() = default;

double PlaybackController::livePositionSeconds() const {
  if (currentStream_ == 0) return 0;
  return std::max(0.0, engine_.bytesToSeconds(currentStream_, engine_.getPosition(currentStream_)));
}

void PlaybackController::applyVolume() {
  engine_.setVolume(currentStream_, now_.volume());
  if (followingStream_) engine_.setVolume(followingStream_, now_.volume());
}

void PlaybackController::setCurrentIndex(int row) {
  currentIndex_ = row;
  now_.setRow(row);
}

// The playing row keeps its track: removed rows above it move it up. When
// the playing row itself went, the number now names the row that moved
// into its place, which is what the removing commands go on to play.
void PlaybackController::followRemovedRows(const QList<int>& rows) {
  const auto removedAbove = [&rows](int row) {
    return static_cast<int>(std::count_if(rows.begin(), rows.end(), [row](int removed) { return removed < row; }));
  };
  if (const int above = removedAbove(currentIndex_); above > 0) setCurrentIndex(currentIndex_ - above);
  if (followingRow_ > 0) {
    if (rows.contains(followingRow_)) {
      cancelFollowing();
    } else {
      followingRow_ -= removedAbove(followingRow_);
    }
  }
}

void PlaybackController::startRow(int row) {
  playRow(row);
  fadeIn();
}

void PlaybackController::playRow(int row) {
  applyVolume();
  const bool inRange = row >= 1 && row <= rows_.rowCount();
  std::error_code ec;
  if (inRange && !std::filesystem::exists(rows_.pathAtRow(row), ec)) {
    // The missing file's own row is the dead one; the current index keeps
    // pointing at the same track.
    rows_.removeMissingRow(row);
  } else if (inRange) {
    dropFollowing();
    engine_.stop(currentStream_);
    engine_.freeStream(currentStream_);
    engine_.free();
    engine_.init();
    const std::string& path = rows_.pathAtRow(row);
    currentStream_ = engine_.createStream(path);
    if (currentStream_ == 0) {
      // Nothing to play: the row stays the current one, the controls show
      // the stop, and the user is told instead of watching a silent pause.
      setCurrentIndex(row);
      stop();
      emit trackFailed(toQ(rows_.nameAtRow(row)), toQ(path));
      return;
    }
    if (gainFor_) engine_.setReplayGain(currentStream_, gainFor_(path));
    stopped_ = false;
    playbackTimer_->start(kTickMs);

    currentIndex_ = row;
    setProgressValue(0, now_.progressMaximum());
    showTrack(row, path);
    engine_.play(currentStream_, true);
  }
  now_.setWindowTitle(now_.title());
  applyVolume();
}

// What a track start shows, from the labels to the effects, once
// currentStream_ and currentIndex_ name the new track.
void PlaybackController::showTrack(int row, const std::string& path) {
  NowPlaying::Track track;
  track.row = row;
  track.path = toQ(path);
  const std::string& name = row >= 1 && row <= rows_.rowCount() ? rows_.nameAtRow(row) : path;
  track.displayName = toQ(name);
  auto labels = splitDisplayName(name);
  track.song = toQ(labels.song);
  track.artist = toQ(labels.artist);
  track.lengthSeconds = std::max(0.0, engine_.bytesToSeconds(currentStream_, engine_.getLength(currentStream_)));
  now_.setTrack(track);
  now_.setTitle(track.displayName);

  runTrackStartSteps(track.displayName);
  if (steps_) steps_->attachEffects(currentStream_);

  now_.setPlayState(PlayState::playing);
}

void PlaybackController::setGapless(bool on) {
  gapless_ = on;
  if (!on) cancelFollowing();
}

int PlaybackController::rowAfterEnd() {
  const int rows = rows_.rowCount();
  switch (now_.mode()) {
    case PlayMode::singleRepeat:
      return currentIndex_ >= 1 && currentIndex_ <= rows ? currentIndex_ : 0;
    case PlayMode::listRepeat:
      // Past the end means the current row itself was removed; starting
      // whatever row now sits there would play the wrong track.
      if (currentIndex_ > rows) return 0;
      return currentIndex_ >= rows ? 1 : currentIndex_ + 1;
    case PlayMode::shuffle:
      random_.seed(static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
      return randomRow();
  }
  return 0;
}

// Opens the track the end will start and joins it to the current one. Any
// trouble (a missing file, a file that does not open, a join too late)
// leaves it to the end of the track, which starts the row the usual way
// and says what went wrong.
void PlaybackController::prepareFollowing() {
  preparedFor_ = currentStream_;
  const int row = rowAfterEnd();
  if (row < 1 || row > rows_.rowCount()) return;
  const std::string& path = rows_.pathAtRow(row);
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return;
  const uint32_t next = engine_.createStream(path);
  if (next == 0) return;
  if (gainFor_) engine_.setReplayGain(next, gainFor_(path));
  engine_.setVolume(next, now_.volume());
  if (steps_) steps_->attachEffects(next);
  if (!engine_.playAfter(currentStream_, next)) {
    engine_.freeStream(next);
    return;
  }
  followingStream_ = next;
  followingRow_ = row;
  followingPath_ = path;
}

void PlaybackController::dropFollowing() {
  joinTimer_->stop();
  if (followingStream_) engine_.freeStream(followingStream_);
  followingStream_ = 0;
  followingRow_ = 0;
  preparedFor_ = 0;
}

void PlaybackController::cancelFollowing() {
  if (followingStream_ && engine_.isActive(followingStream_) != AudioEngine::kStopped) {
    takeOverFollowing();
  } else {
    dropFollowing();
  }
}

void PlaybackController::watchJoin() {
  if (followingStream_ == 0) {
    joinTimer_->stop();
  } else if (engine_.isHeard(followingStream_)) {
    takeOverFollowing();
  }
}

// The join is heard: the following stream becomes the current one, and the
// track start runs as it does for any track, without the engine's set-up,
// the play and the fade-in.
void PlaybackController::takeOverFollowing() {
  joinTimer_->stop();
  const uint32_t ended = currentStream_;
  const int row = followingRow_;
  currentStream_ = followingStream_;
  followingStream_ = 0;
  followingRow_ = 0;
  preparedFor_ = 0;
  engine_.freeStream(ended);
  stopped_ = false;
  currentIndex_ = row;
  showTrack(row, followingPath_);
  now_.setWindowTitle(now_.title());
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
  dropFollowing();
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
  // The join has been made but is not heard yet: the following track is
  // the one playing.
  if (followingStream_ && engine_.isActive(followingStream_) != AudioEngine::kStopped) takeOverFollowing();
  int selected = rows_.selectedRow();
  if (selected == 0) {
    // Nothing selected: the last track again (the list selects it when it
    // starts).
    if (engine_.isActive(currentStream_) == 0 && currentIndex_ >= 1) {
      selected = currentIndex_;
    } else if (engine_.isActive(currentStream_) == 0) {
      return;
    }
  }
  switch (engine_.isActive(currentStream_)) {
    case 0:
      if (selected == 0) return;
      // Play/pause starts a stopped row at full volume, with no fade-in: the
      // button resumes listening rather than changing track, and so it has
      // always behaved; every other start goes through startRow.
      playRow(selected);
      break;
    case 1:
      engine_.pause(currentStream_);
      playbackTimer_->stop();
      joinTimer_->stop();
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
  auto rows = rows_.rowCount();
  if (rows < 1) return 0;
  return std::uniform_int_distribution<int>(1, rows)(random_);
}

void PlaybackController::next() { startRow(now_.mode() == PlayMode::shuffle ? randomRow() : currentIndex_ + 1); }

void PlaybackController::previous() { startRow(now_.mode() == PlayMode::shuffle ? randomRow() : currentIndex_ - 1); }

void PlaybackController::onTrackEnd() {
  const bool wraps = now_.mode() == PlayMode::listRepeat && currentIndex_ >= rows_.rowCount();
  const int row = rowAfterEnd();
  // Shuffle over an empty list starts nothing and keeps the player as it is.
  if (row == 0 && now_.mode() != PlayMode::shuffle) {
    stop();
    return;
  }
  if (wraps) setCurrentIndex(0);
  startRow(row);
}

void PlaybackController::onTimerTick() {
  if (followingStream_ && engine_.isHeard(followingStream_)) takeOverFollowing();
  lastPosition_ = engine_.getPosition(currentStream_);
  lastLength_ = static_cast<uint32_t>(engine_.getLength(currentStream_));
  const double seconds = std::max(0.0, engine_.bytesToSeconds(currentStream_, lastPosition_));

  progressUpdating_ = true;
  setProgressValue(static_cast<uint32_t>(lastPosition_), lastLength_);
  progressUpdating_ = false;
  now_.setPosition(seconds, static_cast<uint32_t>(lastPosition_), lastLength_);

  if (followingStream_) {
    if (engine_.isActive(currentStream_) == AudioEngine::kStopped &&
        engine_.isActive(followingStream_) == AudioEngine::kStopped) {
      // The join was never made (the track ended before it could be).
      dropFollowing();
      onTrackEnd();
      return;
    }
    const double left = engine_.bytesToSeconds(currentStream_, engine_.getLength(currentStream_)) - seconds;
    if (left < kWatchSeconds && !joinTimer_->isActive()) joinTimer_->start();
  } else if (trackEnded(engine_.getPosition(currentStream_), lastLength_)) {
    onTrackEnd();
    return;
  } else if (gapless_ && !stopped_ && preparedFor_ != currentStream_ && engine_.getLength(currentStream_) > 0 &&
             engine_.bytesToSeconds(currentStream_, engine_.getLength(currentStream_)) - seconds < kPrepareSeconds) {
    prepareFollowing();
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
  applyVolume();
}

}  // namespace youran
