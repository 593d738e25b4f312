#include "playback/controller/playback_controller.h"

#include <QTimer>
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

}  // namespace

PlaybackController::PlaybackController(AudioEngine& engine, NowPlaying& nowPlaying, TrackRows& rows,
                                       QObject* parent)
    : QObject(parent), engine_(engine), now_(nowPlaying), rows_(rows), random_(std::random_device{}()) {
  playbackTimer_ = new QTimer(this);
  playbackTimer_->setObjectName(QStringLiteral("播放时钟"));
  connect(playbackTimer_, &QTimer::timeout, this, &PlaybackController::onTimerTick);
  connect(&rows_, &TrackRows::rowActivated, this, &PlaybackController::startRow);
  connect(&rows_, &TrackRows::rowsRemoved, this, &PlaybackController::followRemovedRows);
  connect(&rows_, &TrackRows::cleared, this, [this] { setCurrentIndex(0); });
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

// The playing row keeps its track: removed rows above it move it up. When
// the playing row itself went, the number now names the row that moved
// into its place, which is what the removing commands go on to play.
void PlaybackController::followRemovedRows(const QList<int>& rows) {
  int above = 0;
  for (int row : rows)
    if (row < currentIndex_) ++above;
  if (above > 0) setCurrentIndex(currentIndex_ - above);
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

    NowPlaying::Track track;
    track.row = row;
    track.path = toQ(path);
    const std::string& name = rows_.nameAtRow(row);
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
  const int rows = rows_.rowCount();
  switch (now_.mode()) {
    case PlayMode::singleRepeat:
      if (currentIndex_ >= 1 && currentIndex_ <= rows) {
        startRow(currentIndex_);
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
      startRow(currentIndex_ + 1);
      break;
    case PlayMode::shuffle:
      random_.seed(static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
      startRow(randomRow());
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
