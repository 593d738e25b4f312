#pragma once

// Open and close animations of the player's windows: `revealWindow`
// uncovers a window frame by frame with a growing mask, `concealWindow`
// plays the same shape backwards. The mode picks the shape (wipe_regions.h).
// Both run on the UI thread and let pending events run between frames, so
// input and timers go on during a wipe.

#include <QPointer>
#include <functional>

class QWidget;

namespace youran {

struct WipeParameters {
  QPointer<QWidget> window;
  int mode = 11;
  int delayMs = 1;
  int steps = 33;
};

// Shows the window and uncovers it; the parameters are remembered for
// `concealWindow`, process-wide and for this window.
void revealWindow(QWidget* window, int mode = 11, int delayMs = 1, int steps = 33);

// The last reveal's window and parameters, whichever window that was.
void concealWindow();
// This window, with the parameters of its own last reveal (the process-wide
// last ones when it was never revealed). The window stays shown with nothing
// of it visible; closing it is the caller's.
void concealWindow(QWidget* window);
void concealWindow(QWidget* window, int mode, int delayMs, int steps);

// What `concealWindow()` would use.
WipeParameters lastWipe();

// Called after each frame's mask is set (tests watch the wipes with it).
void setWipeFrameObserver(std::function<void(QWidget* window, int mode, int frame)> observer);

// A random mode from 1 to 12, for the windows that vary it.
int randomWipeMode();

}  // namespace youran
