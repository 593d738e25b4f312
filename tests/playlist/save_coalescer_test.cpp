#include "playlist/save_coalescer.h"

#include <gtest/gtest.h>

#include <vector>

namespace youran {
namespace {

using Clock = SaveCoalescer::Clock;
using std::chrono::milliseconds;

// A pass that converts a row every 100 ms for 2 s: the owner saves whenever
// changed() or a timer at dueAt() says so, and once at the end.
TEST(SaveCoalescer, WritesAtMostTwiceASecondAndNeverHoldsAChangeLonger) {
  SaveCoalescer coalescer(milliseconds(500));
  Clock::time_point start{};
  std::vector<Clock::time_point> saves;
  Clock::time_point lastUnsavedChange{};
  milliseconds longestWait{0};
  for (int tick = 0; tick <= 20; ++tick) {
    auto now = start + milliseconds(100 * tick);
    if (auto due = coalescer.dueAt(); due && *due <= now) {  // the timer fired first
      saves.push_back(now);
      coalescer.saved(now);
    }
    if (!coalescer.pending()) lastUnsavedChange = now;
    if (coalescer.changed(now)) {
      saves.push_back(now);
      coalescer.saved(now);
    }
    if (coalescer.pending())
      longestWait = std::max(longestWait, std::chrono::duration_cast<milliseconds>(
                                              *coalescer.dueAt() - lastUnsavedChange));
  }
  EXPECT_TRUE(coalescer.pending());  // the pass ends: one more write
  coalescer.saved(start + milliseconds(2000));
  saves.push_back(start + milliseconds(2000));

  EXPECT_EQ(saves.size(), 6u);  // 0, 500, 1000, 1500, 2000 and the end of the pass
  for (size_t i = 1; i + 1 < saves.size(); ++i)
    EXPECT_GE(saves[i] - saves[i - 1], milliseconds(500));
  EXPECT_LE(longestWait, milliseconds(500));
  EXPECT_FALSE(coalescer.pending());
  EXPECT_FALSE(coalescer.dueAt().has_value());
}

TEST(SaveCoalescer, AFirstChangeOrOneAfterAQuietSpellIsWrittenAtOnce) {
  SaveCoalescer coalescer(milliseconds(500));
  Clock::time_point t{};
  EXPECT_FALSE(coalescer.due(t));
  EXPECT_TRUE(coalescer.changed(t));
  coalescer.saved(t);
  EXPECT_FALSE(coalescer.changed(t + milliseconds(499)));
  EXPECT_EQ(coalescer.dueAt(), t + milliseconds(500));
  EXPECT_TRUE(coalescer.due(t + milliseconds(500)));
  coalescer.saved(t + milliseconds(520));  // any save clears the pending change
  EXPECT_FALSE(coalescer.due(t + milliseconds(5000)));
  EXPECT_TRUE(coalescer.changed(t + milliseconds(5000)));
}

}  // namespace
}  // namespace youran
