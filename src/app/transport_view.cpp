#include "app/transport_view.h"

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

#include "app/main_window.h"
#include "app/settings_page.h"
#include "ui/skin.h"
#include "playback/controller/now_playing.h"
#include "playback/controller/playback_controller.h"
#include "playback/controller/track_labels.h"

namespace youran {

namespace {

struct ModeItem {
  PlayMode mode;
  const char16_t* name;
  const char16_t* picture;
};

// The menu's items in their order, each with the mode button's picture.
constexpr ModeItem kModeItems[] = {
    {PlayMode::singleRepeat, u"单曲循环", u"loop_one"},
    {PlayMode::listRepeat, u"列表循环", u"loop_list"},
    {PlayMode::shuffle, u"随机播放", u"shuffle"},
};

constexpr int kDragTickMs = 10;
constexpr int kSpectrumMs = 30;

}  // namespace

TransportView::TransportView(MainWindow& window, NowPlaying& nowPlaying, PlaybackController& controller,
                             QObject* parent)
    : QObject(parent), window_(window), now_(nowPlaying), controller_(controller) {
  progressDragTimer_ = new QTimer(this);
  progressDragTimer_->setObjectName(QStringLiteral("进度调节"));
  connect(progressDragTimer_, &QTimer::timeout, this, [this] { onProgressDragTick(cursorXInWindow()); });
  volumeDragTimer_ = new QTimer(this);
  volumeDragTimer_->setObjectName(QStringLiteral("音量钮控制"));
  connect(volumeDragTimer_, &QTimer::timeout, this, [this] { onVolumeDragTick(cursorXInWindow()); });

  outputStatus_ = new QLabel(&window_);
  outputStatus_->setObjectName(QStringLiteral("声音状态"));
  outputStatus_->setProperty("class", "caption");
  outputStatus_->setGeometry(MainWindow::kLeftPanelWidth + 24, 18, 420, 20);
  outputStatus_->hide();

  modeMenu_ = new QMenu(QStringLiteral("模式"), &window_);
  modeMenu_->setObjectName(QStringLiteral("模式"));
  auto* group = new QActionGroup(modeMenu_);
  group->setExclusive(true);
  for (const auto& item : kModeItems) {
    const QString name = QString::fromUtf16(item.name);
    auto* action = modeMenu_->addAction(name);
    action->setObjectName(name);
    action->setCheckable(true);
    group->addAction(action);
    connect(action, &QAction::triggered, this, [this, mode = item.mode] { controller_.setMode(mode); });
  }

  connect(window_.modeButton(), &QPushButton::clicked, this, [this] {
    auto* button = window_.modeButton();
    modeMenu_->popup(button->mapToGlobal(QPoint(0, -modeMenu_->sizeHint().height())));
  });
  connect(window_.playPauseButton(), &QPushButton::clicked, &controller_, &PlaybackController::togglePlayPause);
  connect(window_.playPauseTextButton(), &QPushButton::clicked, &controller_,
          &PlaybackController::togglePlayPause);
  connect(window_.previousButton(), &QPushButton::clicked, &controller_, &PlaybackController::previous);
  connect(window_.nextButton(), &QPushButton::clicked, &controller_, &PlaybackController::next);

  for (QWidget* widget : {static_cast<QWidget*>(window_.progressKnob()), static_cast<QWidget*>(window_.progressTrack()),
                          static_cast<QWidget*>(window_.progressFill()), static_cast<QWidget*>(window_.volumeKnob()),
                          static_cast<QWidget*>(window_.volumeTrack()), static_cast<QWidget*>(window_.volumeFill())})
    widget->installEventFilter(this);

  connect(&now_, &NowPlaying::trackChanged, this, &TransportView::showTrack);
  connect(&now_, &NowPlaying::positionChanged, this, &TransportView::showPosition);
  connect(&now_, &NowPlaying::playStateChanged, this, &TransportView::showPlayState);
  connect(&now_, &NowPlaying::volumeChanged, this, &TransportView::showVolume);
  connect(&now_, &NowPlaying::modeChanged, this, &TransportView::showMode);
  connect(&now_, &NowPlaying::titleChanged, this, &TransportView::showTitle);

  showMode(now_.mode());
  showVolume(now_.volume());
  showPosition();
  showTitle();
  // The spectrum timer's start-up state is the settings' business; only
  // the buttons follow the idle state here.
  window_.playPauseTextButton()->setText(QStringLiteral("播放"));
  setButtonPicture(window_.playPauseButton(), QStringLiteral("play"));
}

void TransportView::showOutputLost(bool lost) {
  outputStatus_->setText(lost ? QStringLiteral("输出设备不可用，正在重新连接…") : QString());
  outputStatus_->setVisible(lost);
}

int TransportView::cursorXInWindow() const { return window_.mapFromGlobal(QCursor::pos()).x(); }

void TransportView::showTrack() {
  window_.songLabel()->setText(now_.track().song);
  window_.artistLabel()->setText(now_.track().artist);
  showPosition();
}

void TransportView::showPosition() {
  window_.positionLabel()->setText(now_.positionText());
  window_.totalTimeLabel()->setText(now_.lengthText());
  // While the knob is dragged it follows the cursor, not the music.
  if (progressDragTimer_->isActive()) return;
  double pixelsPerSecond = ProgressGeometry::pixelsPerSecond(now_.lengthWholeSeconds());
  window_.placeProgressKnob(ProgressGeometry::knobX(now_.positionWholeSeconds(), pixelsPerSecond));
}

void TransportView::showPlayState(PlayState state) {
  const bool playing = state == PlayState::playing;
  window_.playPauseTextButton()->setText(playing                     ? QStringLiteral("暂停")
                                         : state == PlayState::paused ? QStringLiteral("继续")
                                                                      : QStringLiteral("播放"));
  setButtonPicture(window_.playPauseButton(), playing ? QStringLiteral("pause") : QStringLiteral("play"));
  if (playing && window_.settingsPage()->spectrumOn())
    window_.spectrumTimer()->start(kSpectrumMs);
  else if (!playing)
    window_.spectrumTimer()->stop();
}

void TransportView::showVolume(int percent) {
  window_.placeVolumeKnob(VolumeGeometry::knobX(percent));
  window_.volumeLabel()->setText(QString::number(percent));
}

void TransportView::showMode(PlayMode mode) {
  const auto actions = modeMenu_->actions();
  for (int i = 0; i < static_cast<int>(std::size(kModeItems)); ++i) {
    const bool chosen = kModeItems[i].mode == mode;
    actions[i]->setChecked(chosen);
    if (!chosen) continue;
    setButtonPicture(window_.modeButton(), QString::fromUtf16(kModeItems[i].picture));
    window_.modeButton()->setToolTip(actions[i]->text());
  }
}

void TransportView::showTitle() {
  window_.titleLabel()->setText(now_.title());
  window_.setWindowTitle(now_.windowTitle());
}

void TransportView::beginProgressDrag() { progressDragTimer_->start(kDragTickMs); }

void TransportView::onProgressDragTick(int cursorX) {
  window_.placeProgressKnob(ProgressGeometry::dragKnobX(cursorX));
  window_.totalTimeLabel()->update();
}

void TransportView::endProgressDrag() {
  progressDragTimer_->stop();
  controller_.seekToKnob(window_.progressKnob()->x());
}

void TransportView::beginVolumeDrag() { volumeDragTimer_->start(kDragTickMs); }

void TransportView::onVolumeDragTick(int cursorX) {
  auto drag = VolumeGeometry::drag(cursorX);
  if (drag.ends) volumeDragTimer_->stop();
  controller_.setVolumePercent(VolumeGeometry::percentAt(drag.x));
}

void TransportView::endVolumeDrag() { volumeDragTimer_->stop(); }

bool TransportView::eventFilter(QObject* watched, QEvent* event) {
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
    controller_.clickProgressTrack(x);
    return true;
  }
  if (press && (watched == window_.volumeTrack() || watched == window_.volumeFill())) {
    controller_.setVolumePercent(VolumeGeometry::clickPercent(x));
    return true;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace youran
