#include <gtest/gtest.h>

#include <string>

#include "lyrics/lrc_lookup.h"

namespace youran {
namespace {

struct LookupCase {
  const char* name;
  std::string lyric;
  const char* position;
  std::string expected;
};

TEST(LrcLookup, LinesOfTheSecond) {
  const LookupCase cases[] = {
      {"later line of the same second wins", "[00:05.20]first\r\n[00:05.90]second\r\n", "00:05", "second\r\n"},
      {"title tag and a line not yet reached", "[ti:Title]\r\n[00:01.00]one\r\n", "00:00", ""},
      {"tag without fraction", "[01:00]plain\r\n", "01:00", "plain\r\n"},
      {"single-digit minutes never match", "[1:00.00]short\r\n", "01:00", ""},
      {"three-digit fraction", "[00:07.123]ms\n", "00:07", "ms\n"},
      {"time inside the words, text after it", "[00:10.00]at 02:30] tail\r\n", "02:30", " tail\r\n"},
      {"time inside the words, nothing after it", "[00:10.00]we met at 02:30 sharp\r\n", "02:30", ""},
      {"several tags: the earlier tag shows nothing", "[00:10.00][01:20.00]both\r\n", "00:10", ""},
      {"several tags: the last tag shows the line", "[00:10.00][01:20.00]both\r\n", "01:20", "both\r\n"},
      {"unsorted file", "[00:09.00]nine\r\n[00:03.00]three\r\n", "00:03", "three\r\n"},
      {"last line without line end", "[00:01.00]a\r\n[00:02.00]end", "00:02", "end"},
      {"minutes of a hundred", "[99:59.00]before\r\n[100:00.00]after\r\n", "100:00", "after\r\n"},
      {"no lyric", "", "00:01", ""},
      {"text before the first tag matches too", "00:04]lead[00:05.00]x", "00:04", "lead"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(std::string(findLineForPosition(c.position, c.lyric)), c.expected) << c.name;
  }
}

TEST(LrcLookup, TextAfterLast) {
  EXPECT_EQ(textAfterLast("a]b]c", "]"), "c");
  EXPECT_EQ(textAfterLast("abc", "]"), "");
  EXPECT_EQ(textAfterLast("abc]", "]"), "");
  EXPECT_EQ(textAfterLast("01:0101:01x", "01:01"), "x");
}

TEST(LrcLookup, MatchTimesForTheSweep) {
  const std::string lyric = "[00:05.20]a\r\n[00:05.90]b\r\n[00:09.50]c\r\n[00:03.00]early\r\n";
  const LyricMatch m = matchLineForPosition("00:05", lyric);
  EXPECT_EQ(m.line, "b\r\n");
  EXPECT_EQ(m.timeMs, 5900);
  EXPECT_EQ(nextTagTimeMs(lyric, 5900), 9500);
  EXPECT_EQ(nextTagTimeMs(lyric, 9500), -1);
  EXPECT_EQ(nextTagTimeMs(lyric, 0), 3000) << "the file need not be sorted";
  // A match in the words starts the sweep at the second itself.
  EXPECT_EQ(matchLineForPosition("02:30", "[00:10.00]at 02:30]x").timeMs, 150000);
  EXPECT_EQ(positionTextToMs("100:00"), 6000000);
  EXPECT_EQ(positionTextToMs("1:00"), -1);

  EXPECT_EQ(karaokeProgress(5900, 9500, 5900), 0);
  EXPECT_EQ(karaokeProgress(5900, 9500, 7700), 50);
  EXPECT_EQ(karaokeProgress(5900, 9500, 9500), 100);
  EXPECT_EQ(karaokeProgress(5900, 9500, 20000), 100);
  EXPECT_EQ(karaokeProgress(5900, -1, 6900, 2000), 50) << "no next tag: the fallback span";
  EXPECT_EQ(karaokeProgress(-1, 9500, 7000), 0) << "unknown start: no sweep";
}

}  // namespace
}  // namespace youran
