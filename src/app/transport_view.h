#pragma once

// The main window's view of what is playing: the bottom bar (title, the two
// time labels, the progress and volume knobs, the text play/pause button),
// the small song and artist labels of the left panel, the picture buttons,
// the "模式" menu and the window title. It redraws from `NowPlaying`'s
// signals and hands clicks and knob drags to the playback controller.

#include <QObject>

class QLabel;
class QMenu;
class QTimer;

namespace youran {

class MainWindow;
class NowPlaying;
class PlaybackController;
enum class PlayMode;
enum class PlayState;

class TransportView : public QObject {
  Q_OBJECT
 public:
  TransportView(MainWindow& window, NowPlaying& nowPlaying, PlaybackController& controller,
                QObject* parent = nullptr);

  // While no sound device can be opened the top bar says so, once, and
  // the text goes when sound is back.
  void showOutputLost(bool lost);
  QLabel* outputStatus() const { return outputStatus_; }

  QMenu* modeMenu() const { return modeMenu_; }
  QTimer* progressDragTimer() const { return progressDragTimer_; }
  QTimer* volumeDragTimer() const { return volumeDragTimer_; }

  // The knob drags, with the cursor's x in window coordinates; the timers
  // call the ticks with the real cursor.
  void beginProgressDrag();
  void onProgressDragTick(int cursorX);
  void endProgressDrag();
  void beginVolumeDrag();
  void onVolumeDragTick(int cursorX);
  void endVolumeDrag();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void showTrack();
  void showPosition();
  void showPlayState(PlayState state);
  void showVolume(int percent);
  void showMode(PlayMode mode);
  void showTitle();
  int cursorXInWindow() const;

  MainWindow& window_;
  NowPlaying& now_;
  PlaybackController& controller_;
  QMenu* modeMenu_;
  QLabel* outputStatus_;
  QTimer* progressDragTimer_;
  QTimer* volumeDragTimer_;
};

}  // namespace youran
