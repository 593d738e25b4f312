#pragma once

// What the taskbar shows of the playing track, from NowPlaying: the
// play/pause button's icon and tooltip ("暂停" while playing, "继续" while
// paused), the progress state (none when stopped, normal while playing,
// paused) and the progress value from the 500 ms tick.

#include <QObject>

#include "app/desktop/taskbar_controls.h"

namespace youran {

class NowPlaying;

class TaskbarView : public QObject {
  Q_OBJECT
 public:
  TaskbarView(NowPlaying& nowPlaying, TaskbarControls& taskbar, QObject* parent = nullptr);

 private:
  void onPlayState();
  NowPlaying& now_;
  TaskbarControls& taskbar_;
};

}  // namespace youran
