#pragma once

// The mini control panel the tray opens: previous, play/pause and next, the
// volume, the song, and an exit button. It opens around the cursor, stays
// on the screen, and closes as soon as another window becomes the active
// one. It reads NowPlaying and acts through the playback controller.

#include <QElapsedTimer>
#include <QPoint>
#include <QRect>
#include <QWidget>
#include <functional>

class QLabel;
class QTimer;

namespace youran {

class NowPlaying;
class PlaybackController;

class MiniPanel : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kWidth = 260;
  static constexpr int kHeight = 120;
  static constexpr int kVolumeBarWidth = 100;  // as wide as the main window's volume track

  MiniPanel(NowPlaying& nowPlaying, PlaybackController& controller, std::function<void()> openExitDialog,
            QWidget* parent = nullptr);

  // Where the panel opens for a cursor at `cursor`: |cursor − 200| on both
  // axes, then moved inside `screen`.
  static QPoint placement(QPoint cursor, const QRect& screen, QSize size = {kWidth, kHeight});

  // Opens at the cursor (`cursor` for tests) with a reveal.
  void openAt(QPoint cursor);

  QLabel* songLabel() const { return song_; }
  QLabel* playPauseLabel() const { return playPause_; }
  QWidget* volumeBar() const { return volumeBar_; }
  QTimer* activeCheck() const { return activeCheck_; }

  // The volume bar's handling, with x in the bar's coordinates.
  void volumeAt(int x);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void showSong();
  void showVolume(int percent);
  void showPlayState();
  void checkActive();

  NowPlaying& now_;
  PlaybackController& controller_;
  std::function<void()> openExitDialog_;
  QLabel* previous_;
  QLabel* playPause_;
  QLabel* next_;
  QLabel* song_;
  QWidget* volumeTrack_;
  QWidget* volumeBar_;
  QLabel* exit_;
  QTimer* activeCheck_;
  bool wasActive_ = false;
  QElapsedTimer sinceOpen_;
};

}  // namespace youran
