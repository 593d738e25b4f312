#include "playback/controller/playback_controller.h"

#include <QAction>
#include <QActionGroup>
#include <QCursor>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <filesystem>

#include "app/main_window.h"
#include "app/settings_page.h"
#include "app/skin.h"
#include "base/time_text.h"
#include "playback/audio_engine.h"
#include "playback/controller/track_labels.h"
#include "playlist/ui/playlist_controller.h"

namespace youran {

namespace {

QString toQ(const std::string& text) { return QString::fromStdString(text); }

QString secondsText(double seconds) {
  if (!(seconds > 0)) seconds = 0;
  return toQ(formatMinutesSeconds(static_cast<long long>(seconds)));
}

constexpr int kFadeMs = 500;

}  // namespace

PlaybackController::PlaybackController(AudioEngine& engine, MainWindow& window, PlaylistController& playlist,
                                       QObject* parent)
    : QObject(parent), engine_(engine), window_(window), playlist_(playlist), random_(std::random_device{}()) {
  playbackTimer_ = new QTimer(&window_);
  playbackTimer_->setObjectName(QStringLiteral("播放时钟"));
  connect(playbackTimer_, &QTimer::timeout, this, &PlaybackController::onTimerTick);
  progressDragTimer_ = new QTimer(&window_);
  progressDragTimer_->setObjectName(QStringLiteral("进度调节"));
  connect(progressDragTimer_, &QTimer::timeout, this, [this] { onProgressDragTick(cursorXInWindow()); });
  volumeDragTimer_ = new QTimer(&window_);
  volumeDragTimer_->setObjectName(QStringLiteral("音量钮控制"));
  connect(volumeDragTimer_, &QTimer::timeout, this, [this] { onVolumeDragTick(cursorXInWindow()); });

  modeMenu_ = new QMenu(QStringLiteral("模式"), &window_);
  modeMenu_->setObjectName(QStringLiteral("模式"));
  auto* group = new QActionGroup(modeMenu_);
  group->setExclusive(true);
  const QString names[3] = {QStringLiteral("单曲循环"), QStringLiteral("列表循环"), QStringLiteral("随机播放")};
  const PlayMode modes[3] = {PlayMode::singleRepeat, PlayMode::listRepeat, PlayMode::shuffle};
  for (int i = 0; i < 3; ++i) {
    auto* action = modeMenu_->addAction(names[i]);
    action->setObjectName(names[i]);
    action->setCheckable(true);
    group->addAction(action);
    PlayMode mode = modes[i];
    connect(action, &QAction::triggered, this, [this, mode] { setMode(mode); });
    modeActions_[i] = action;
  }
  setMode(PlayMode::listRepeat);

  connect(window_.modeButton(), &QPushButton::clicked, this, [this] {
    auto* button = window_.modeButton();
    modeMenu_->popup(button->mapToGlobal(QPoint(0, -modeMenu_->sizeHint().height())));
  });
  connect(window_.playPauseButton(), &QPushButton::clicked, this, &PlaybackController::onPictureButton);
  connect(window_.playPauseTextButton(), &QPushButton::clicked, this, &PlaybackController::togglePlayPause);
  connect(window_.previousButton(), &QPushButton::clicked, this, &PlaybackController::previous);
  connect(window_.nextButton(), &QPushButton::clicked, this, &PlaybackController::next);
  connect(&playlist_, &PlaylistController::rowActivated, this, [this](int row) {
    playRow(row);
    fadeIn();
  });

  for (QWidget* widget : {static_cast<QWidget*>(window_.progressKnob()), static_cast<QWidget*>(window_.progressTrack()),
                          static_cast<QWidget*>(window_.progressFill()), static_cast<QWidget*>(window_.volumeKnob()),
                          static_cast<QWidget*>(window_.volumeTrack()), static_cast<QWidget*>(window_.volumeFill())})
    widget->installEventFilter(this);

  volume_ = window_.volumeKnob()->x() - MainWindow::kVolumeKnobMin;
  window_.volumeLabel()->setText(QString::number(volume_));
}

PlaybackController::~PlaybackController() = default;

bool PlaybackController::spectrumOn() const { return window_.settingsPage()->spectrumOn(); }

int PlaybackController::cursorXInWindow() const { return window_.mapFromGlobal(QCursor::pos()).x(); }

void PlaybackController::applyVolume() {
  int percent = window_.volumeKnob()->x() - MainWindow::kVolumeKnobMin;
  volume_ = std::clamp(percent, 0, 100);
  window_.volumeFill()->resize(volume_, window_.volumeFill()->height());
  engine_.setVolume(currentStream_, volume_);
}

void PlaybackController::playRow(int row) {
  applyVolume();
  window_.memoryTrimTimer()->start(10);
  auto& list = playlist_.list();
  const bool inRange = row >= 1 && static_cast<size_t>(row) <= list.size();
  std::error_code ec;
  if (inRange && !std::filesystem::exists(list.trackPath(static_cast<size_t>(row)), ec)) {
    // The missing file's own row is the dead one; the current index keeps
    // pointing at the same track.
    playlist_.dropRow(row);
    if (row < currentIndex_) --currentIndex_;
  } else if (inRange) {
    engine_.stop(currentStream_);
    engine_.freeStream(currentStream_);
    engine_.free();
    engine_.init();
    currentStream_ = engine_.createStream(list.trackPath(static_cast<size_t>(row)));
    stopped_ = false;

    playbackTimer_->start(500);
    window_.totalTimeLabel()->setText(
        secondsText(engine_.bytesToSeconds(currentStream_, engine_.getLength(currentStream_))));

    currentIndex_ = row;
    setProgressValue(0, progressMaximum_);
    window_.placeProgressKnob(ProgressGeometry::kKnobMin);
    if (spectrumOn()) window_.spectrumTimer()->start(30);
    window_.playPauseTextButton()->setText(QStringLiteral("暂停"));

    const QString name = toQ(list.row(static_cast<size_t>(row - 1)).name);
    window_.titleLabel()->setText(name);
    auto labels = splitDisplayName(name.toStdString());
    window_.songLabel()->setText(toQ(labels.song));
    window_.artistLabel()->setText(toQ(labels.artist));
    playlist_.selectRow(row);

    if (hooks_.loadLyrics) hooks_.loadLyrics(name);
    if (hooks_.loadCover) hooks_.loadCover(name);
    if (hooks_.startLyricTimer) hooks_.startLyricTimer();

    if (hooks_.setTaskbarState) hooks_.setTaskbarState(2);
    if (hooks_.setTaskbarPlayButton) hooks_.setTaskbarPlayButton(true);
    showPictureButton(true);
    engine_.play(currentStream_, true);
    emit trackStarted(row);
  }
  window_.setWindowTitle(window_.titleLabel()->text());
  applyVolume();
  window_.memoryTrimTimer()->stop();
}

void PlaybackController::stop() {
  stopped_ = true;
  if (hooks_.setTaskbarState) hooks_.setTaskbarState(0);
  window_.playPauseTextButton()->setText(QStringLiteral("播放"));
  showPictureButton(false);
  setProgressValue(0, progressMaximum_);
  window_.placeProgressKnob(ProgressGeometry::kKnobMin);
  lastPosition_ = 0;
  window_.titleLabel()->setText(QStringLiteral("等待播放"));
  window_.spectrumTimer()->stop();
  playbackTimer_->stop();
  window_.positionLabel()->setText(QStringLiteral("00:00"));
  window_.totalTimeLabel()->setText(QStringLiteral("00:00"));
  window_.setWindowTitle(QStringLiteral("悠然音乐 6"));
  engine_.stop(currentStream_);
  engine_.freeStream(currentStream_);
  engine_.free();
  emit stoppedPlaying();
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
      if (hooks_.setTaskbarState) hooks_.setTaskbarState(2);
      break;
    case 1:
      if (hooks_.setTaskbarPlayButton) hooks_.setTaskbarPlayButton(false);
      window_.playPauseTextButton()->setText(QStringLiteral("继续"));
      showPictureButton(false);
      engine_.pause(currentStream_);
      if (hooks_.setTaskbarState) hooks_.setTaskbarState(8);
      window_.spectrumTimer()->stop();
      playbackTimer_->stop();
      break;
    default:
      window_.playPauseTextButton()->setText(QStringLiteral("暂停"));
      showPictureButton(true);
      if (spectrumOn()) window_.spectrumTimer()->start(30);
      playbackTimer_->start(500);
      engine_.play(currentStream_, false);
      if (hooks_.setTaskbarState) hooks_.setTaskbarState(2);
      if (hooks_.setTaskbarPlayButton) hooks_.setTaskbarPlayButton(true);
      break;
  }
}

void PlaybackController::onPictureButton() { togglePlayPause(); }

void PlaybackController::showPictureButton(bool playing) {
  setButtonPicture(window_.playPauseButton(), playing ? QStringLiteral("pause") : QStringLiteral("play"));
}

int PlaybackController::randomRow() {
  auto rows = static_cast<int>(playlist_.list().size());
  if (rows < 1) return 0;
  return std::uniform_int_distribution<int>(1, rows)(random_);
}

void PlaybackController::next() {
  if (mode_ == PlayMode::shuffle)
    playRow(randomRow());
  else
    playRow(currentIndex_ + 1);
  fadeIn();
}

void PlaybackController::previous() {
  if (mode_ == PlayMode::shuffle)
    playRow(randomRow());
  else
    playRow(currentIndex_ - 1);
  fadeIn();
}

void PlaybackController::onTrackEnd() {
  const int rows = static_cast<int>(playlist_.list().size());
  switch (mode_) {
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
      if (currentIndex_ >= rows) currentIndex_ = 0;
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
  auto elapsed = static_cast<long long>(std::max(0.0, engine_.bytesToSeconds(currentStream_, lastPosition_)));
  window_.positionLabel()->setText(toQ(formatMinutesSeconds(elapsed)));

  progressUpdating_ = true;
  setProgressValue(static_cast<uint32_t>(lastPosition_), lastLength_);
  progressUpdating_ = false;

  if (trackEnded(engine_.getPosition(currentStream_), lastLength_)) {
    onTrackEnd();
    return;
  }
  auto total = static_cast<long long>(std::max(0.0, engine_.bytesToSeconds(currentStream_, engine_.getLength(currentStream_))));
  pixelsPerSecond_ = ProgressGeometry::pixelsPerSecond(total);
  if (!progressDragTimer_->isActive())
    window_.placeProgressKnob(ProgressGeometry::knobX(elapsed, pixelsPerSecond_));
}

// The progress bar's own change handler: a value set from outside the timer
// is a seek.
void PlaybackController::setProgressValue(uint32_t value, uint32_t maximum) {
  progressMaximum_ = maximum;
  progressValue_ = std::min(value, maximum);
  window_.progressFill()->resize(window_.progressKnob()->x() - ProgressGeometry::kKnobMin,
                                 window_.progressFill()->height());
  if (engine_.isActive(currentStream_) != 0 && !progressUpdating_) {
    engine_.setPosition(currentStream_, progressValue_);
    if (!stopped_) fadeIn();
  }
  if (hooks_.setTaskbarProgress) hooks_.setTaskbarProgress(progressValue_, progressMaximum_);
}

void PlaybackController::fadeIn() {
  if (currentStream_ == 0) return;
  engine_.rampVolume(currentStream_, 0, volume_, kFadeMs);
}

void PlaybackController::setMode(PlayMode mode) {
  mode_ = mode;
  const int which = mode == PlayMode::singleRepeat ? 0 : mode == PlayMode::listRepeat ? 1 : 2;
  for (int i = 0; i < 3; ++i) modeActions_[i]->setChecked(i == which);
  const QString pictures[3] = {QStringLiteral("loop_one"), QStringLiteral("loop_list"), QStringLiteral("shuffle")};
  setButtonPicture(window_.modeButton(), pictures[which]);
  window_.modeButton()->setToolTip(modeActions_[which]->text());
}

void PlaybackController::beginProgressDrag() { progressDragTimer_->start(10); }

void PlaybackController::onProgressDragTick(int cursorX) {
  window_.placeProgressKnob(cursorX - MainWindow::kKnobSize / 2);
  window_.totalTimeLabel()->update();
}

void PlaybackController::endProgressDrag() {
  progressDragTimer_->stop();
  if (pixelsPerSecond_ <= 0) return;
  double seconds = ProgressGeometry::secondsAt(window_.progressKnob()->x(), pixelsPerSecond_);
  engine_.setPosition(currentStream_, engine_.secondsToBytes(currentStream_, seconds));
}

void PlaybackController::clickProgressTrack(int cursorX) {
  window_.progressFill()->resize(window_.progressKnob()->x() - ProgressGeometry::kKnobMin,
                                 window_.progressFill()->height());
  if (pixelsPerSecond_ <= 0) return;
  int x = std::clamp(cursorX - MainWindow::kKnobSize, ProgressGeometry::kKnobMin, ProgressGeometry::kKnobMax);
  double seconds = ProgressGeometry::secondsAt(x, pixelsPerSecond_);
  engine_.setPosition(currentStream_, engine_.secondsToBytes(currentStream_, seconds));
}

void PlaybackController::beginVolumeDrag() { volumeDragTimer_->start(10); }

void PlaybackController::onVolumeDragTick(int cursorX) {
  int x = cursorX - MainWindow::kKnobSize / 2;
  if (x < MainWindow::kVolumeKnobMin) {
    x = MainWindow::kVolumeKnobMin;
    volumeDragTimer_->stop();
  }
  x = std::min(x, MainWindow::kVolumeKnobMax);
  window_.placeVolumeKnob(x);
  setVolumePercent(x - MainWindow::kVolumeKnobMin);
}

void PlaybackController::endVolumeDrag() { volumeDragTimer_->stop(); }

void PlaybackController::setVolumePercent(int percent) {
  volume_ = std::clamp(percent, 0, 100);
  window_.placeVolumeKnob(MainWindow::kVolumeKnobMin + volume_);
  engine_.setVolume(currentStream_, volume_);
  auto* label = window_.volumeLabel();
  label->setText(QString::number(volume_));
}

bool PlaybackController::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonRelease)
    return QObject::eventFilter(watched, event);
  auto* mouse = static_cast<QMouseEvent*>(event);
  if (mouse->button() != Qt::LeftButton) return QObject::eventFilter(watched, event);
  const bool press = event->type() == QEvent::MouseButtonPress;
  const int x = window_.mapFromGlobal(mouse->globalPosition().toPoint()).x();
  if (watched == window_.progressKnob()) {
    press ? beginProgressDrag() : endProgressDrag();
    return true;
  }
  if (watched == window_.volumeKnob()) {
    press ? beginVolumeDrag() : endVolumeDrag();
    return true;
  }
  if (press && (watched == window_.progressTrack() || watched == window_.progressFill())) {
    clickProgressTrack(x);
    return true;
  }
  if (press && (watched == window_.volumeTrack() || watched == window_.volumeFill())) {
    setVolumePercent(x - MainWindow::kKnobSize / 2 - MainWindow::kVolumeKnobMin);
    return true;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace youran
