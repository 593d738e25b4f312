#include "base/text_encoding.h"

#include <gtest/gtest.h>

namespace youran {
namespace {

// "悠然" in GB18030 and UTF-8
constexpr std::string_view kGbYouran = "\xD3\xC6\xC8\xBB";
constexpr std::string_view kUtf8Youran = "\xE6\x82\xA0\xE7\x84\xB6";

TEST(TextEncoding, Utf8Validation) {
  struct Case {
    std::string_view bytes;
    bool valid;
  };
  const Case cases[] = {
      {"", true},
      {"plain", true},
      {kUtf8Youran, true},
      {"\xF0\x9F\x8E\xB5", true},      // U+1F3B5
      {kGbYouran, false},              // GB bytes are not UTF-8
      {"\xC0\x80", false},             // overlong NUL
      {"\xED\xA0\x80", false},         // surrogate
      {"\xE6\x82", false},             // cut short
      {"\xF4\x90\x80\x80", false},     // past U+10FFFF
  };
  for (const auto& c : cases) EXPECT_EQ(isValidUtf8(c.bytes), c.valid) << c.bytes;
}

TEST(TextEncoding, Gb18030RoundTrip) {
  EXPECT_EQ(gb18030ToUtf8(kGbYouran), std::string(kUtf8Youran));
  EXPECT_EQ(utf8ToGb18030(kUtf8Youran), std::string(kGbYouran));
  // A character outside GBK (U+1F3B5) still survives GB18030.
  std::string emoji = "\xF0\x9F\x8E\xB5";
  EXPECT_EQ(gb18030ToUtf8(utf8ToGb18030(emoji)), emoji);
  // A lone lead byte is not GB18030.
  EXPECT_FALSE(gb18030ToUtf8("\x81").has_value());
}

TEST(TextEncoding, LegacyTextPicksUtf8ThenGbThenLatin1) {
  EXPECT_EQ(legacyTextToUtf8(kUtf8Youran), std::string(kUtf8Youran));
  EXPECT_EQ(legacyTextToUtf8(kGbYouran), std::string(kUtf8Youran));
  // 0xFF is neither UTF-8 nor GB18030: Latin-1 y with diaeresis.
  EXPECT_EQ(legacyTextToUtf8("caf\xE9\xFF"), "caf\xC3\xA9\xC3\xBF");
}

TEST(TextEncoding, Utf16BothOrdersAndSurrogates) {
  using namespace std::string_view_literals;
  // U+60A0 U+7136 little- and big-endian
  EXPECT_EQ(utf16ToUtf8("\xA0\x60\x36\x71"sv, false), std::string(kUtf8Youran));
  EXPECT_EQ(utf16ToUtf8("\x60\xA0\x71\x36"sv, true), std::string(kUtf8Youran));
  // U+1F3B5 as a surrogate pair, then a lone high surrogate and an odd byte
  EXPECT_EQ(utf16ToUtf8("\x3C\xD8\xB5\xDF"sv, false), "\xF0\x9F\x8E\xB5");
  EXPECT_EQ(utf16ToUtf8("\x3C\xD8\x41\x00\x42"sv, false), "\xEF\xBF\xBD" "A");
}

TEST(TextEncoding, CharsetAndBom) {
  EXPECT_EQ(charsetToUtf8(kGbYouran, "GBK"), std::string(kUtf8Youran));
  EXPECT_FALSE(charsetToUtf8("x", "no-such-charset").has_value());
  EXPECT_EQ(stripUtf8Bom("\xEF\xBB\xBF" "abc"), "abc");
  EXPECT_EQ(stripUtf8Bom("abc"), "abc");
}

}  // namespace
}  // namespace youran
