#include "app/desktop/taskbar_view.h"

#include "playback/controller/now_playing.h"

namespace youran {

TaskbarView::TaskbarView(NowPlaying& nowPlaying, TaskbarControls& taskbar, QObject* parent)
    : QObject(parent), now_(nowPlaying), taskbar_(taskbar) {
  connect(&now_, &NowPlaying::playStateChanged, this, &TaskbarView::onPlayState);
  connect(&now_, &NowPlaying::positionChanged, this, [this] {
    taskbar_.setProgressValue(now_.progressValue(), now_.progressMaximum());
  });
}

void TaskbarView::onPlayState() {
  using Icon = TaskbarControls::ButtonIcon;
  using State = TaskbarControls::ProgressState;
  switch (now_.playState()) {
    case PlayState::playing:
      taskbar_.updateButton(TaskbarControls::kPlayPause, Icon::pause, QStringLiteral("暂停"));
      taskbar_.setProgressState(State::normal);
      break;
    case PlayState::paused:
      taskbar_.updateButton(TaskbarControls::kPlayPause, Icon::play, QStringLiteral("继续"));
      taskbar_.setProgressState(State::paused);
      break;
    case PlayState::idle:
      taskbar_.setProgressState(State::none);
      break;
  }
}

}  // namespace youran
