#pragma once

// The taskbar's buttons and progress for the playing track: previous,
// play/pause and next on the taskbar button, and the progress of the track
// drawn over it.
//
// Threading: every call comes from the UI thread, and the button actions
// are delivered on it. An implementation that has no taskbar to talk to
// (the bus is not there, the shell object could not be made, registration
// failed, or init has not run yet) returns from every call without effect
// and reports nothing; the player works on without taskbar controls.
//
// Linux: MPRIS2 and the launcher entry over D-Bus (DbusTaskbar). Windows:
// ITaskbarList3, compiled only there.

#include <QString>
#include <cstdint>
#include <functional>

namespace youran {

class TaskbarControls {
 public:
  enum class ProgressState { none = 0, normal = 2, paused = 8 };
  enum class ButtonIcon { previous, play, pause, next };
  // Button ids of the three thumbnail buttons.
  static constexpr int kPrevious = 1;
  static constexpr int kPlayPause = 2;
  static constexpr int kNext = 3;

  virtual ~TaskbarControls() = default;

  // Makes the connection to the shell or the bus; false when there is none.
  virtual bool create() = 0;
  // Called once the main window's taskbar button exists.
  virtual bool init() = 0;
  // The three buttons; `onClick` receives the id of a clicked one.
  virtual void addButtons(std::function<void(int id)> onClick) = 0;
  virtual void updateButton(int id, ButtonIcon icon, const QString& tooltip) = 0;
  virtual void setProgressState(ProgressState state) = 0;
  virtual void setProgressValue(uint64_t done, uint64_t total) = 0;
};

}  // namespace youran
