#pragma once

// Which Qt platform the player asks for. On a Wayland session a client
// cannot keep its window above others nor let clicks through parts of it,
// so the desktop lyric line would be an ordinary window there; through
// XWayland both work. The user's own QT_QPA_PLATFORM always wins.

#include <string>

namespace youran {

struct DisplayEnvironment {
  const char* qpaPlatform = nullptr;     // QT_QPA_PLATFORM
  const char* sessionType = nullptr;     // XDG_SESSION_TYPE
  const char* waylandDisplay = nullptr;  // WAYLAND_DISPLAY
  const char* x11Display = nullptr;      // DISPLAY, set when XWayland runs
};

// "xcb" when the player should run through XWayland, else empty (leave the
// choice to Qt).
std::string preferredQtPlatform(const DisplayEnvironment& env);

}  // namespace youran
