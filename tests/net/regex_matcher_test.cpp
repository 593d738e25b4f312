#include "net/regex_matcher.h"

#include <gtest/gtest.h>

namespace youran {
namespace {

TEST(NetRegex, CharsetPatternIgnoresCaseByDefault) {
  RegexMatcher m;
  ASSERT_TRUE(m.execute(R"(<meta.+?charset=[^\w]?([-\w]+))", "<html><META CHARSET=\"UTF-8\"></html>"));
  EXPECT_EQ(m.subMatch(1, 1), "UTF-8");
  EXPECT_EQ(m.subMatchCount(1), 1);
  EXPECT_FALSE(m.execute(R"(<meta.+?charset=[^\w]?([-\w]+))", "<META CHARSET=\"UTF-8\">", true));
}

TEST(NetRegex, MatchesGroupsAndPositions) {
  RegexMatcher m;
  const std::string lyric = "[00:01.00]第一行\r\n[00:05.50]第二行\r\n[01:10.20]结尾";
  ASSERT_TRUE(m.execute(R"(^\[(\d+):(\d+\.\d+)\](.*?)$)", lyric));
  ASSERT_EQ(m.matchCount(), 3);
  struct Case {
    int match, group;
    std::string_view text;
    int position;
  };
  static constexpr Case kCases[] = {
      {1, 1, "00", 1},     {1, 3, "第一行", 10}, {2, 2, "05.50", 19},
      {3, 3, "结尾", 40},  {4, 1, "", -1},       {1, 4, "", -1},
      {0, 1, "", -1},
  };
  for (const auto& c : kCases) {
    int position = 99;
    EXPECT_EQ(m.subMatch(c.match, c.group, &position), c.text) << c.match << "/" << c.group;
    EXPECT_EQ(position, c.position) << c.match << "/" << c.group;
  }
  int position = 0;
  EXPECT_EQ(m.matchText(2, &position), "[00:05.50]第二行");
  EXPECT_EQ(position, 15);  // characters, not bytes
  EXPECT_EQ(m.matchText(9, &position), "");
  EXPECT_EQ(position, -1);
  EXPECT_EQ(m.subMatchCount(9), 0);

  // Dot crosses lines; a group that took no part is empty.
  ASSERT_TRUE(m.execute("a(.)b|(z)", "a\nb"));
  EXPECT_EQ(m.subMatch(1, 1), "\n");
  EXPECT_EQ(m.subMatch(1, 2, &position), "");
  EXPECT_EQ(position, -1);
}

TEST(NetRegex, OptionsAndTokens) {
  RegexMatcher m;
  struct Case {
    std::string_view pattern, text;
    bool caseSensitive, multiline, global, quoteToken;
    int count;
  };
  static constexpr Case kCases[] = {
      {"a", "aAa", false, true, true, false, 3},
      {"a", "aAa", true, true, true, false, 2},
      {"a", "aAa", false, true, false, false, 1},
      {"^x", "x\nx\nx", false, true, true, false, 3},
      {"^x", "x\nx\nx", false, false, true, false, 1},
      {"#引号(\\w+)#引号", "say \"hi\" \"yo\"", false, true, true, true, 2},
      {"#引号", "say \"hi\"", false, true, true, false, 0},
      {"x*", "axb", false, true, true, false, 4},  // empty matches step over a character
      {"", "周杰", false, true, true, false, 3},
      {"\\w+", "周杰伦abc", false, true, true, false, 1},  // \w is ASCII
      {"(", "anything", false, true, true, false, 0},    // invalid pattern
      {"a", "\xff\xfe" "a", false, true, true, false, 1},  // invalid UTF-8 text still matches
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(m.execute(c.pattern, c.text, c.caseSensitive, c.multiline, c.global, c.quoteToken), c.count > 0)
        << c.pattern;
    EXPECT_EQ(m.matchCount(), c.count) << c.pattern;
  }
  m.execute("#引号x#引号", "", false, true, true, true);
  EXPECT_EQ(m.pattern(), "\"x\"");
}

TEST(NetRegex, Replace) {
  RegexMatcher m;
  struct Case {
    std::string_view pattern, text, replacement;
    bool global;
    std::string_view expected;
  };
  static constexpr Case kCases[] = {
      {"(\\w+)-(\\w+)", "artist-title x-y", "$2-$1", true, "title-artist y-x"},
      {"(\\w+)-(\\w+)", "artist-title x-y", "$2-$1", false, "title-artist x-y"},
      {"b", "abc", "[$&]", true, "a[b]c"},
      {"b", "abc", "$`|$'", true, "aa|cc"},
      {"b", "abc", "$$1", true, "a$1c"},
      {"(b)", "abc", "$2$1", true, "a$2bc"},  // no group 2: literal
      {"(b)", "abc", "$10", true, "ab0c"},    // no group 10: group 1, then "0"
      {"z", "abc", "q", true, "abc"},
      {"\\s+", "a  b   c", " ", true, "a b c"},
  };
  for (const auto& c : kCases) {
    m.execute(c.pattern, c.text, false, true, c.global);
    EXPECT_EQ(m.replace(c.replacement), c.expected) << c.pattern << " -> " << c.replacement;
  }
}

}  // namespace
}  // namespace youran
