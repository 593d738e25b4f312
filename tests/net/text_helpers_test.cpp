#include "net/text_helpers.h"

#include <gtest/gtest.h>

#include "net/download.h"

namespace youran {
namespace {

TEST(NetText, TextBetween) {
  struct Case {
    std::string_view text, left, right;
    int start;
    bool ignoreCase;
    std::string_view expected;
  };
  static constexpr Case kCases[] = {
      {R"({"url":"http://a/b.mp3","id":5})", R"(#引号url#引号:#引号)", "#引号", 1, false, "http://a/b.mp3"},
      {"a[1]b[2]", "[", "]", 1, false, "1"},
      {"a[1]b[2]", "[", "]", 4, false, "2"},   // 1-based start past the first marker
      {"a[1]b[2]", "[", "]", 2, false, "1"},   // start exactly on the marker
      {"a[1]b[2]", "[", "]", 99, false, ""},
      {"a[1]b[2]", "[", "]", 0, false, "1"},   // below 1 reads from the start
      {"<TITLE>x</TITLE>", "<title>", "</title>", 1, false, ""},
      {"<TITLE>x</TITLE>", "<title>", "</title>", 1, true, "x"},
      {"left only [", "[", "]", 1, false, ""},
      {"no markers", "[", "]", 1, false, ""},
      {"[]", "[", "]", 1, false, ""},
      {"歌手：周杰伦；", "歌手：", "；", 1, false, "周杰伦"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(textBetween(c.text, c.left, c.right, c.start, c.ignoreCase), c.expected)
        << c.text << " from " << c.start;
  }
}

TEST(NetText, TextBeforeAndDuplicates) {
  EXPECT_EQ(textBefore("a=1; path=/", ";"), "a=1");
  EXPECT_EQ(textBefore("no delimiter", ";"), "no delimiter");
  EXPECT_EQ(textBefore("abc", ""), "abc");
  EXPECT_EQ(textBefore(";lead", ";"), "");

  struct Case {
    std::string_view text, separator, expected;
  };
  static constexpr Case kCases[] = {
      {"a; b; a; c; b", "; ", "a; b; c"},
      {"x|x|x", "|", "x"},
      {"A|a", "|", "A|a"},  // exact comparison
      {"", "|", ""},
      {"one", "|", "one"},
      {"a||a|", "|", "a|"},  // the empty item is kept once, like any other
      {"a,a", "", "a,a"},
  };
  for (const auto& c : kCases) EXPECT_EQ(removeDuplicateItems(c.text, c.separator), c.expected) << c.text;
}

TEST(NetText, MergeCookies) {
  struct Case {
    std::string_view old, fresh, expected;
  };
  static constexpr Case kCases[] = {
      {"x=1; y=2", "y=3; z=deleted", "y=3; x=1"},
      {"", "a=1; b=2", "a=1; b=2"},
      {"a=1", "", "a=1"},
      {"a=1; b=2", "b=deleted", "a=1"},
      {"a = 1 ;b=2;", "c=3", "c=3; a=1; b=2"},  // spaces dropped, empty items too
      {"flag; a=1", "flag", "flag; a=1"},       // a cookie without "=" is named by itself
      {"a=1", "a=1; a=1", "a=1"},               // duplicates removed
  };
  for (const auto& c : kCases) {
    std::string old(c.old);
    EXPECT_EQ(mergeCookies(old, c.fresh), c.expected) << c.old << " + " << c.fresh;
    EXPECT_EQ(old, c.expected);
  }
}

TEST(NetText, CookiesLocationAndStatusFromHeaders) {
  struct Case {
    std::string_view block, cookies;
  };
  static constexpr Case kCases[] = {
      {"HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n\r\n", "a=1; b=2"},
      {"HTTP/1.1 200 OK\r\nset-cookie:  c=3 ;HttpOnly\r\n\r\n", "c=3"},
      {"HTTP/1.1 200 OK\r\nX-Set-Cookie: no=1\r\nSet-Cookie:\r\n\r\n", ""},
      {"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n", ""},
      {"HTTP/1.1 200 OK\nSet-Cookie: lf=1\n\n", "lf=1"},
  };
  for (const auto& c : kCases) EXPECT_EQ(cookiesFromHeaders(c.block), c.cookies) << c.block;

  EXPECT_EQ(locationFromHeaders("HTTP/1.1 302 Found\r\nLocation: /next?a=1\r\n\r\n"), "/next?a=1");
  EXPECT_EQ(locationFromHeaders("HTTP/1.1 200 OK\r\nContent-Location: /x\r\n\r\n"), "");
  EXPECT_EQ(statusTextFromHeaders("HTTP/1.1 200 OK\r\nA: b\r\n"), "200 OK");
  EXPECT_EQ(statusTextFromHeaders("HTTP/1.1 404 Not Found\r\n"), "404 Not Found");
  EXPECT_EQ(statusTextFromHeaders("garbage"), "");
}

TEST(NetText, NumberedFileNames) {
  EXPECT_EQ(numberedFileName("/m/歌曲.mp3", 1), "/m/歌曲(1).mp3");
  EXPECT_EQ(numberedFileName("/m/a.b.flac", 12), "/m/a.b(12).flac");
  EXPECT_EQ(numberedFileName("/m.d/noext", 2), "/m.d/noext(2)");  // a dot in a folder name is no extension
}

}  // namespace
}  // namespace youran
