#include "lyrics/ui/lyrics_view.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <cmath>

#include "ui/skin.h"
#include "lyrics/lrc_lookup.h"
#include "lyrics/ui/desktop_lyrics_window.h"
#include "lyrics/ui/lyric_loader.h"
#include "playback/controller/now_playing.h"
#include "base/qt_text.h"

namespace youran {

namespace {
constexpr int kLyricTickMs = 1000;
constexpr int kSweepFrameMs = 33;
}  // namespace

LyricsView::LyricsView(NowPlaying& nowPlaying, DesktopLyricsWindow& window, LyricLoader& loader, Sources sources,
                       QObject* parent)
    : QObject(parent), nowPlaying_(nowPlaying), window_(window), loader_(loader), sources_(std::move(sources)) {
  lyricTimer_.setObjectName(QStringLiteral("歌词控制"));
  lyricTimer_.setInterval(kLyricTickMs);
  connect(&lyricTimer_, &QTimer::timeout, this, &LyricsView::onLyricTick);
  sweepTimer_.setInterval(kSweepFrameMs);
  sweepTimer_.setTimerType(Qt::PreciseTimer);
  connect(&sweepTimer_, &QTimer::timeout, this, &LyricsView::onSweepFrame);
  connect(&nowPlaying_, &NowPlaying::playStateChanged, this, &LyricsView::updateSweepTimer);
  connect(&loader_, &LyricLoader::fetched, this, [this](const QString& name, const QString& lyric) {
    // Only the current track's answer; a late one for an earlier track has
    // been stored in its file and waits for that track's next start.
    if (name == nowPlaying_.displayName()) sync_.setLyricText(lyric.toStdString());
  });
  connect(&window_, &DesktopLyricsWindow::lockRequested, this, [this] { setLocked(true); });
  connect(&window_, &DesktopLyricsWindow::closeRequested, this, [this] { setDesktopLyricsOn(false); });
}

void LyricsView::attachControls(QPushButton* lyricButton, QCheckBox* desktopBox, QLabel* bigLabel) {
  button_ = lyricButton;
  box_ = desktopBox;
  bigLabel_ = bigLabel;
  if (button_) connect(button_, &QPushButton::clicked, this, &LyricsView::toggleDesktopLyrics);
  if (box_) {
    connect(box_, &QCheckBox::toggled, this, [this](bool on) {
      if (on != desktopOn_) setDesktopLyricsOn(on);
    });
  }
  showSwitchState();
}

void LyricsView::loadTrackLyrics(const QString& displayName) {
  sync_.setLyricText(loader_.load(displayName));
}

void LyricsView::startLyricTimer() {
  if (!lyricTimer_.isActive()) lyricTimer_.start();
}

void LyricsView::onLyricTick() {
  const QString name = nowPlaying_.displayName();
  const LyricSync::Shown shown = sync_.tick(nowPlaying_.positionText().toStdString(), name.toStdString());
  shownText_ = toQ(shown.desktopText);
  lineStartMs_ = shown.lineStartMs;
  lineEndMs_ = shown.lineEndMs;
  window_.setText(shownText_, karaoke_ ? sweepProgress() : 0);
  if (shown.showInBigLabel) {
    nowPlaying_.setLyricLine(shownText_);
    if (bigLabel_ && sources_.nowPlayingPageOpen && sources_.nowPlayingPageOpen()) bigLabel_->setText(shownText_);
  }
  updateSweepTimer();
}

int LyricsView::sweepProgress() const {
  if (lineStartMs_ < 0 || !sources_.livePositionSeconds) return 0;
  const auto positionMs = static_cast<int64_t>(std::llround(sources_.livePositionSeconds() * 1000.0));
  const int64_t lengthMs = static_cast<int64_t>(nowPlaying_.lengthSeconds()) * 1000;
  const int64_t fallback = lengthMs > lineStartMs_ ? lengthMs - lineStartMs_ : 4000;
  return karaokeProgress(lineStartMs_, lineEndMs_, positionMs, std::min<int64_t>(fallback, 8000));
}

void LyricsView::onSweepFrame() {
  window_.setText(shownText_, sweepProgress());
  if (window_.progress() >= 100) sweepTimer_.stop();
}

void LyricsView::updateSweepTimer() {
  const bool wanted = karaoke_ && window_.isAlive() && lineStartMs_ >= 0 && window_.progress() < 100 &&
                      nowPlaying_.playState() == PlayState::playing;
  if (wanted && !sweepTimer_.isActive()) sweepTimer_.start();
  else if (!wanted) sweepTimer_.stop();
}

void LyricsView::setDesktopLyricsOn(bool on) {
  desktopOn_ = on;
  if (on) {
    window_.recreate(font_);
  } else {
    window_.destroy();
  }
  showSwitchState();
  updateSweepTimer();
}

void LyricsView::toggleDesktopLyrics() { setDesktopLyricsOn(!desktopOn_); }

void LyricsView::setLyricFont(const QString& family) {
  font_ = family;
  if (desktopOn_) window_.recreate(font_);
}

void LyricsView::setKaraoke(bool on) {
  karaoke_ = on;
  if (!on) window_.setText(shownText_.isEmpty() ? window_.text() : shownText_, 0);
  updateSweepTimer();
}

void LyricsView::setLocked(bool on) {
  if (window_.locked() == on) return;
  window_.setLocked(on);
  emit lockChanged(on);
}

void LyricsView::showSwitchState() {
  if (button_) setButtonPicture(button_, desktopOn_ ? QStringLiteral("lyric") : QStringLiteral("lyric_off"));
  if (box_ && box_->isChecked() != desktopOn_) {
    const QSignalBlocker quiet(box_);
    box_->setChecked(desktopOn_);
  }
}

}  // namespace youran
