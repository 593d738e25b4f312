#pragma once

// What is playing, in one place: the playback controller writes it and every
// view reads it (the main window's labels and knobs, the lyric timer and the
// desktop lyric line, the spectrum, the mini panel, the tray, MPRIS and the
// launcher progress). It holds no widget; each setter emits its one signal
// only when something changed. UI thread only.

#include <QImage>
#include <QObject>
#include <QString>
#include <cstdint>

namespace youran {

enum class PlayMode { singleRepeat, listRepeat, shuffle };
enum class PlayState { idle, playing, paused };

class NowPlaying : public QObject {
  Q_OBJECT
 public:
  explicit NowPlaying(QObject* parent = nullptr);

  // What a track start fills in; `trackChanged` reports it once.
  struct Track {
    int row = 0;  // 1-based row of the playlist; 0 before the first track
    QString path;
    QString displayName;  // column 2 of the row, "artist-title"
    QString song;         // the split of the display name for the small labels
    QString artist;
    double lengthSeconds = 0;  // 0 when the stream has no length
  };

  const Track& track() const { return track_; }
  int currentRow() const { return track_.row; }
  const QString& displayName() const { return track_.displayName; }
  double lengthSeconds() const { return track_.lengthSeconds; }
  // Whole seconds as the total-time label shows them.
  long long lengthWholeSeconds() const;
  QString lengthText() const { return lengthText_; }

  // Position as of the last 500 ms tick (or the track start, or a stop).
  double positionSeconds() const { return positionSeconds_; }
  long long positionWholeSeconds() const;
  QString positionText() const { return positionText_; }
  // The hidden progress bar: value and maximum in bytes of decoded audio.
  uint32_t progressValue() const { return progressValue_; }
  uint32_t progressMaximum() const { return progressMaximum_; }

  PlayState playState() const { return playState_; }
  bool isPlaying() const { return playState_ == PlayState::playing; }
  int volume() const { return volume_; }
  PlayMode mode() const { return mode_; }

  // The title label (`歌曲名标签`) and the main window's title; they differ
  // after a stop ("等待播放" and "悠然音乐 6").
  QString title() const { return title_; }
  QString windowTitle() const { return windowTitle_; }

  QString lyricLine() const { return lyricLine_; }
  const QImage& cover() const { return cover_; }

  // Writers; the controller and the lyric and cover steps call these.
  void setTrack(Track track);
  void setPosition(double seconds, uint32_t progressValue, uint32_t progressMaximum);
  // A stop: both time labels "00:00" and the progress bar empty; the track
  // itself stays the current one.
  void resetTimes();
  // The current track's row moved (rows above it removed) without a new
  // track starting.
  void setRow(int row);
  void setPlayState(PlayState state);
  void setVolume(int percent);
  void setMode(PlayMode mode);
  void setTitle(const QString& title);
  void setWindowTitle(const QString& title);
  void setLyricLine(const QString& line);
  void setCover(const QImage& cover);
  // A jump in the track (a knob drag, a click on the progress track, a seek
  // from the desktop); the position itself follows with the next tick.
  void announceSeek(double seconds) { emit seeked(seconds); }

 signals:
  void trackChanged();
  void rowChanged(int row);
  void positionChanged();
  void playStateChanged(youran::PlayState state);
  void volumeChanged(int percent);
  void modeChanged(youran::PlayMode mode);
  void titleChanged();
  void lyricLineChanged(const QString& line);
  void coverChanged();
  void seeked(double seconds);

 private:
  Track track_;
  QString lengthText_;
  double positionSeconds_ = 0;
  QString positionText_;
  uint32_t progressValue_ = 0;
  uint32_t progressMaximum_ = 0;
  PlayState playState_ = PlayState::idle;
  int volume_ = 100;
  PlayMode mode_ = PlayMode::listRepeat;
  QString title_;
  QString windowTitle_;
  QString lyricLine_;
  QImage cover_;
};

}  // namespace youran
