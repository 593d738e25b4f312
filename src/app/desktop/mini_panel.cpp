#include "app/desktop/mini_panel.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QLabel>

#include "ui/elided_label.h"
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cstdlib>

#include "visuals/ui/window_effects.h"
#include "visuals/ui/window_shadow.h"
#include "playback/controller/now_playing.h"
#include "playback/controller/playback_controller.h"

namespace youran {

namespace {

QLabel* clickable(QWidget* parent, const QString& text, const QString& name, QRect geometry) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setProperty("class", "miniButton");
  label->setAlignment(Qt::AlignCenter);
  label->setCursor(Qt::PointingHandCursor);
  label->setGeometry(geometry);
  return label;
}

}  // namespace

MiniPanel::MiniPanel(NowPlaying& nowPlaying, PlaybackController& controller, std::function<void()> openExitDialog,
                     QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      now_(nowPlaying),
      controller_(controller),
      openExitDialog_(std::move(openExitDialog)) {
  setObjectName(QStringLiteral("迷你面板"));
  setAttribute(Qt::WA_DeleteOnClose, false);
  setFixedSize(kWidth, kHeight);
  setProperty("class", "miniPanel");
  setAttribute(Qt::WA_StyledBackground);

  song_ = new ElidedLabel(this);
  song_->setObjectName(QStringLiteral("歌曲"));
  song_->setProperty("class", "miniSong");
  song_->setGeometry(16, 10, kWidth - 72, 24);
  exit_ = clickable(this, QStringLiteral("退出"), QStringLiteral("退出"), {kWidth - 48, 10, 36, 24});

  previous_ = clickable(this, QStringLiteral("上一曲"), QStringLiteral("上一曲"), {16, 44, 70, 28});
  playPause_ = clickable(this, QStringLiteral("暂停"), QStringLiteral("暂停"), {95, 44, 70, 28});
  next_ = clickable(this, QStringLiteral("下一曲"), QStringLiteral("下一曲"), {174, 44, 70, 28});

  auto* caption = new QLabel(QStringLiteral("音量"), this);
  caption->setProperty("class", "miniCaption");
  caption->setGeometry(16, 84, 40, 20);
  volumeTrack_ = new QWidget(this);
  volumeTrack_->setObjectName(QStringLiteral("音量条"));
  volumeTrack_->setProperty("class", "miniVolumeTrack");
  volumeTrack_->setAttribute(Qt::WA_StyledBackground);
  volumeTrack_->setGeometry(60, 90, kVolumeBarWidth, 8);
  volumeTrack_->setCursor(Qt::PointingHandCursor);
  volumeBar_ = new QWidget(volumeTrack_);
  volumeBar_->setObjectName(QStringLiteral("音量"));
  volumeBar_->setProperty("class", "miniVolumeBar");
  volumeBar_->setAttribute(Qt::WA_StyledBackground);
  volumeBar_->setAttribute(Qt::WA_TransparentForMouseEvents);

  for (QWidget* w : {static_cast<QWidget*>(previous_), static_cast<QWidget*>(playPause_),
                     static_cast<QWidget*>(next_), static_cast<QWidget*>(exit_), volumeTrack_})
    w->installEventFilter(this);

  attachShadow(this);
  activeCheck_ = new QTimer(this);
  activeCheck_->setInterval(100);
  connect(activeCheck_, &QTimer::timeout, this, &MiniPanel::checkActive);

  connect(&now_, &NowPlaying::titleChanged, this, &MiniPanel::showSong);
  connect(&now_, &NowPlaying::trackChanged, this, &MiniPanel::showSong);
  connect(&now_, &NowPlaying::volumeChanged, this, &MiniPanel::showVolume);
  connect(&now_, &NowPlaying::playStateChanged, this, &MiniPanel::showPlayState);
  connect(&now_, &NowPlaying::playStateChanged, this, &MiniPanel::showSong);
  showSong();
  showVolume(now_.volume());
  showPlayState();
}

QPoint MiniPanel::placement(QPoint cursor, const QRect& screen, QSize size) {
  QPoint at(std::abs(cursor.x() - 200), std::abs(cursor.y() - 200));
  at.setX(std::clamp(at.x(), screen.left(), std::max(screen.left(), screen.right() + 1 - size.width())));
  at.setY(std::clamp(at.y(), screen.top(), std::max(screen.top(), screen.bottom() + 1 - size.height())));
  return at;
}

void MiniPanel::openAt(QPoint cursor) {
  QScreen* screen = QGuiApplication::screenAt(cursor);
  if (!screen) screen = QGuiApplication::primaryScreen();
  const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
  move(placement(cursor, area, size()));
  showSong();
  showVolume(now_.volume());
  showPlayState();
  wasActive_ = false;
  sinceOpen_.start();
  show();
  raise();
  activateWindow();
  revealWindow(this, randomWipeMode(), 2);
  activeCheck_->start();
}

void MiniPanel::showSong() {
  // What the title label says while a track plays or is paused.
  const bool nothing = now_.playState() == PlayState::idle || now_.title().trimmed().isEmpty();
  song_->setText(nothing ? QStringLiteral("无正在播放曲目。") : now_.title());
}

void MiniPanel::showVolume(int percent) {
  volumeBar_->setGeometry(0, 0, std::clamp(percent, 0, 100) * kVolumeBarWidth / 100, volumeTrack_->height());
}

void MiniPanel::showPlayState() {
  playPause_->setText(now_.playState() == PlayState::paused ? QStringLiteral("继续") : QStringLiteral("暂停"));
}

void MiniPanel::volumeAt(int x) { controller_.setVolumePercent(std::clamp(x, 0, kVolumeBarWidth) * 100 / kVolumeBarWidth); }

void MiniPanel::checkActive() {
  // Closed once it has been the active window and no longer is. A panel
  // that has not become active a second after opening (a window manager
  // that refuses it the focus) closes when another window is active.
  const bool active = isActiveWindow();
  if (active) wasActive_ = true;
  QWidget* other = QApplication::activeWindow();
  const bool refused = !wasActive_ && sinceOpen_.elapsed() > 1000 && other != nullptr && other != this;
  if ((wasActive_ && !active) || refused) {
    activeCheck_->stop();
    hide();
  }
}

bool MiniPanel::eventFilter(QObject* watched, QEvent* event) {
  const bool press = event->type() == QEvent::MouseButtonPress;
  const bool move = event->type() == QEvent::MouseMove;
  if (watched == volumeTrack_ && (press || move)) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (press || (mouse->buttons() & Qt::LeftButton)) volumeAt(static_cast<int>(mouse->position().x()));
    return true;
  }
  if (event->type() != QEvent::MouseButtonRelease) return QWidget::eventFilter(watched, event);
  if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) return false;
  if (watched == previous_) controller_.previous();
  else if (watched == playPause_) controller_.togglePlayPause();
  else if (watched == next_) controller_.next();
  else if (watched == exit_) {
    activeCheck_->stop();
    if (openExitDialog_) openExitDialog_();
    hide();
  } else {
    return false;
  }
  return true;
}

}  // namespace youran
