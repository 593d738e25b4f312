#include "base/display_platform.h"

#include <gtest/gtest.h>

namespace youran {
namespace {

TEST(DisplayPlatform, WaylandSessionsRunThroughXWaylandUnlessTheUserChose) {
  struct Case {
    DisplayEnvironment env;
    const char* expected;
  };
  const Case cases[] = {
      {{nullptr, "wayland", "wayland-0", ":0"}, "xcb"},
      {{nullptr, nullptr, "wayland-0", ":1"}, "xcb"},
      {{nullptr, "wayland", nullptr, ":0"}, "xcb"},
      {{"wayland", "wayland", "wayland-0", ":0"}, ""},  // the user's choice wins
      {{"offscreen", nullptr, nullptr, nullptr}, ""},
      {{nullptr, "wayland", "wayland-0", nullptr}, ""},  // no XWayland: stay on Wayland
      {{nullptr, "wayland", "wayland-0", ""}, ""},
      {{nullptr, "x11", nullptr, ":0"}, ""},
      {{"", "wayland", "wayland-0", ":0"}, "xcb"},  // an empty setting is no setting
  };
  for (const auto& c : cases) EXPECT_EQ(preferredQtPlatform(c.env), c.expected);
}

}  // namespace
}  // namespace youran
