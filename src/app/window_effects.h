#pragma once

// Open and close animations of the player's windows. The mode number picks
// the wipe shape; until the region wipes exist a window simply appears and
// disappears, so every caller already passes the mode it wants.

class QWidget;

namespace youran {

void revealWindow(QWidget* window, int mode);
void concealWindow(QWidget* window, int mode);

// A random mode from 1 to 12, for the windows that vary it.
int randomWipeMode();

}  // namespace youran
