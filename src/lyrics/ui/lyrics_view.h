#pragma once

// The lyric of what is playing, on screen: the once-a-second lyric timer
// 歌词控制 that shows the line of the playing moment in the desktop lyric
// window and, while "正在播放" is open, in its big label; a single-shot timer
// at the next line's time, set from the engine's live position, that makes
// the switch itself on time (a tick alone is up to a second late); the
// karaoke sweep of that line; the desktop-lyrics switch (the 歌词 button and
// the 选择框1 check box) and the lock. Reads only NowPlaying.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QThreadPool>
#include <QTimer>
#include <QVector>
#include <functional>

#include "lyrics/lyric_sync.h"
#include "lyrics/ui/lyric_choice_dialog.h"

class QLabel;
class QCheckBox;
class QPushButton;

namespace youran {

class NowPlaying;
class DesktopLyricsWindow;
class LyricLoader;

class LyricsView : public QObject {
  Q_OBJECT
 public:
  struct Sources {
    std::function<double()> livePositionSeconds;  // the engine's position, for the sweep
    std::function<bool()> nowPlayingPageOpen;
    // "选择歌词…": the service's songs for a display name and the lyric of
    // one of them. Both are called on a worker thread.
    std::function<std::vector<LyricCandidate>(const std::string& displayName)> searchLyrics;
    std::function<std::string(const std::string& id)> lyricById;
  };

  LyricsView(NowPlaying& nowPlaying, DesktopLyricsWindow& window, LyricLoader& loader, Sources sources,
             QObject* parent = nullptr);
  ~LyricsView() override;

  // The switch controls and the big label; any may be null (tests).
  void attachControls(QPushButton* lyricButton, QCheckBox* desktopBox, QLabel* bigLabel);

  // Track start: the lyric of the display name, from its file or, later,
  // from the fetch.
  void loadTrackLyrics(const QString& displayName);
  // Track start: the lyric timer, started once and never stopped.
  void startLyricTimer();
  void onLyricTick();

  // The desktop line on (recreated with the lyric font) or off.
  void setDesktopLyricsOn(bool on);
  bool desktopLyricsOn() const { return desktopOn_; }
  void toggleDesktopLyrics();
  void setLyricFont(const QString& family);
  QString lyricFont() const { return font_; }

  void setKaraoke(bool on);
  bool karaoke() const { return karaoke_; }
  // The lines beneath: the translation (on by default), the romanisation.
  void setShowTranslation(bool on);
  void setShowRomanization(bool on);

  // The track's lyric earlier (positive) or later by `deltaMs`: its file's
  // [offset:] tag, rewritten in the file's own encoding.
  void shiftLyric(int deltaMs);
  // Opens the choice of lyrics for the playing track (returned for tests).
  LyricChoiceDialog* chooseLyric();
  // Makes `text` the playing track's lyric file and shows it.
  void useLyric(const std::string& text);
  void setLocked(bool on);

  // A timer that ticks about as often as the sweep draws (the spectrum's):
  // while it runs, the sweep's frames ride on its ticks rather than wake
  // the player on their own. It is looked at again with every lyric tick,
  // so a clock that stops hands the sweep back within a second.
  void setFrameClock(QTimer* clock);

  QTimer& lyricTimer() { return lyricTimer_; }
  QTimer& sweepTimer() { return sweepTimer_; }
  QTimer& switchTimer() { return switchTimer_; }
  LyricSync& sync() { return sync_; }

 signals:
  void lockChanged(bool locked);

 private:
  void setLyric(std::string text);
  int64_t positionMs() const;
  // Shows the line of `positionMs`; the tick also refreshes the big label
  // after its page has been opened.
  void showAt(int64_t positionMs);
  void scheduleSwitch(int64_t positionMs);
  QString beneath() const;
  void showBeneathChange();
  QString bigLabelText() const;
  void onSweepFrame();
  int sweepProgress() const;
  void updateSweepTimer();
  void showSwitchState();

  NowPlaying& nowPlaying_;
  DesktopLyricsWindow& window_;
  LyricLoader& loader_;
  Sources sources_;
  LyricSync sync_;
  QTimer lyricTimer_;
  QTimer sweepTimer_;
  QTimer switchTimer_;
  QPointer<QTimer> frameClock_;
  bool ridingClock_ = false;
  LyricSync::Shown shown_;
  QVector<int> wordStarts_;
  QPointer<LyricChoiceDialog> choice_;
  QThreadPool pool_;  // UTF-16 offsets of the shown line's words, and its length
  QPointer<QPushButton> button_;
  QPointer<QCheckBox> box_;
  QPointer<QLabel> bigLabel_;
  QString font_;
  QString shownText_;
  bool desktopOn_ = true;
  bool karaoke_ = true;
  bool translation_ = true;
  bool romanization_ = false;
};

}  // namespace youran
