#include "base/display_platform.h"

#include <string_view>

namespace youran {

namespace {
bool set(const char* value) { return value != nullptr && *value != '\0'; }
}  // namespace

std::string preferredQtPlatform(const DisplayEnvironment& env) {
  if (set(env.qpaPlatform)) return {};
  const bool wayland = set(env.waylandDisplay) || (set(env.sessionType) && std::string_view(env.sessionType) == "wayland");
  if (wayland && set(env.x11Display)) return "xcb";
  return {};
}

}  // namespace youran
