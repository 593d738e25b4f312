#include "playback/controller/now_playing.h"

#include <algorithm>

#include "base/time_text.h"
#include "base/qt_text.h"

namespace youran {

namespace {

long long wholeSeconds(double seconds) { return seconds > 0 ? static_cast<long long>(seconds) : 0; }

QString timeText(double seconds) { return toQ(formatMinutesSeconds(wholeSeconds(seconds))); }

}  // namespace

NowPlaying::NowPlaying(QObject* parent)
    : QObject(parent),
      lengthText_(timeText(0)),
      positionText_(timeText(0)),
      title_(QStringLiteral("等待播放")),
      windowTitle_(QStringLiteral("悠然音乐 6")) {}

long long NowPlaying::lengthWholeSeconds() const { return wholeSeconds(track_.lengthSeconds); }

long long NowPlaying::positionWholeSeconds() const { return wholeSeconds(positionSeconds_); }

// A new track starts at 0 with its own length; the position is part of the
// track change, so a view redraws the knob on `trackChanged` too.
void NowPlaying::setTrack(Track track) {
  track_ = std::move(track);
  lengthText_ = timeText(track_.lengthSeconds);
  positionSeconds_ = 0;
  positionText_ = timeText(0);
  progressValue_ = 0;
  emit trackChanged();
}

void NowPlaying::setPosition(double seconds, uint32_t value, uint32_t maximum) {
  value = std::min(value, maximum);
  QString text = timeText(seconds);
  if (seconds == positionSeconds_ && value == progressValue_ && maximum == progressMaximum_ && text == positionText_)
    return;
  positionSeconds_ = seconds;
  positionText_ = text;
  progressValue_ = value;
  progressMaximum_ = maximum;
  emit positionChanged();
}

void NowPlaying::resetTimes() {
  positionSeconds_ = 0;
  positionText_ = timeText(0);
  lengthText_ = timeText(0);
  progressValue_ = 0;
  emit positionChanged();
}

void NowPlaying::setRow(int row) {
  if (row == track_.row) return;
  track_.row = row;
  emit rowChanged(row);
}

void NowPlaying::setPlayState(PlayState state) {
  if (state == playState_) return;
  playState_ = state;
  emit playStateChanged(state);
}

void NowPlaying::setVolume(int percent) {
  percent = std::clamp(percent, 0, 100);
  if (percent == volume_) return;
  volume_ = percent;
  emit volumeChanged(percent);
}

void NowPlaying::setMode(PlayMode mode) {
  if (mode == mode_) return;
  mode_ = mode;
  emit modeChanged(mode);
}

void NowPlaying::setTitle(const QString& title) {
  if (title == title_) return;
  title_ = title;
  emit titleChanged();
}

void NowPlaying::setWindowTitle(const QString& title) {
  if (title == windowTitle_) return;
  windowTitle_ = title;
  emit titleChanged();
}

void NowPlaying::setLyricLine(const QString& line) {
  if (line == lyricLine_) return;
  lyricLine_ = line;
  emit lyricLineChanged(line);
}

void NowPlaying::setCover(const QImage& cover) {
  cover_ = cover;
  emit coverChanged();
}

}  // namespace youran
