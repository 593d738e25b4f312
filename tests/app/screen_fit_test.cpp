#include "ui/screen_fit.h"

#include <gtest/gtest.h>

namespace youran {
namespace {

// The main window with its shadow is 978 × 570 logical pixels.
TEST(ScreenFit, TheLargestEighthAtWhichTheWindowFits) {
  struct Case {
    const char* what;
    QSize available;  // device pixels
    double ratio;
    double expected;
  };
  const Case cases[] = {
      {"fits at ratio 1", {1280, 800}, 1.0, 1.0},
      {"twice on 1600 × 1000: 1.636 fits, the eighth below it", {1600, 1000}, 2.0, 1.625},
      {"a panel takes height: the height decides", {1600, 900}, 2.0, 1.5},
      {"fits exactly", {1956, 1140}, 2.0, 2.0},
      {"a netbook at ratio 1 draws smaller", {800, 600}, 1.0, 0.75},
      {"never below one half", {300, 200}, 1.0, 0.5},
      {"a screen that reports nothing changes nothing", {0, 0}, 2.0, 2.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_DOUBLE_EQ(fittingPixelRatio({978, 570}, c.available, c.ratio), c.expected);
  }
}

}  // namespace
}  // namespace youran
