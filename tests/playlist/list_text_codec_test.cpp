#include "playlist/list_text_codec.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "base/text_encoding.h"

namespace youran {
namespace {

std::string utf8Of(uint32_t cp) {
  std::string out;
  appendUtf8(out, cp);
  return out;
}

// The table codec must agree with the iconv-based converter for every
// character of the basic plane, both ways. (A few private-use characters
// that iconv cannot encode come out as '?' from both.)
TEST(ListTextCodec, AgreesWithIconvOverTheWholeBasicPlane) {
  std::string all;
  std::string encodable;
  for (uint32_t cp = 1; cp < 0x10000; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    std::string one = utf8Of(cp);
    all += one;
    std::string gb;
    appendListText(gb, one);
    if (cp == '?' || gb.find('?') == std::string::npos) encodable += one;
  }
  std::string fast;
  appendListText(fast, all);
  std::string reference = utf8ToGb18030(all);
  ASSERT_EQ(fast.size(), reference.size());
  EXPECT_TRUE(fast == reference);
  EXPECT_GT(encodable.size(), all.size() - 200);

  std::string gb;
  appendListText(gb, encodable);
  auto back = listTextToUtf8(gb);
  ASSERT_TRUE(back.has_value());
  EXPECT_TRUE(*back == encodable);
  EXPECT_EQ(back, gb18030ToUtf8(gb));
}

TEST(ListTextCodec, SupplementaryCharactersUseTheFourByteForm) {
  std::string text = "a" + utf8Of(0x1F3B5) + utf8Of(0x20000) + "b";
  std::string gb;
  appendListText(gb, text);
  EXPECT_EQ(gb, utf8ToGb18030(text));
  EXPECT_EQ(gb.size(), 1u + 4 + 4 + 1);
  EXPECT_EQ(listTextToUtf8(gb), text);
}

TEST(ListTextCodec, InvalidUtf8BecomesQuestionMarksLikeIconv) {
  const char* cases[] = {
      "\xE4\xB8" "A",       // truncated
      "\xC0\x80",           // overlong
      "\xED\xA0\x80",       // surrogate
      "x\xFF" "y",          // never a lead byte
      "\xE4\xBD\xA0\xE4",   // good character, then a cut one at the end
      "\xF4\x90\x80\x80",   // past U+10FFFF
  };
  for (const char* text : cases) {
    std::string gb;
    appendListText(gb, text);
    EXPECT_EQ(gb, utf8ToGb18030(text)) << text;
  }
}

// ASCII is copied eight bytes at a time; a character must come out right
// whichever byte of such a word it starts at, and a word that is cut by the
// end of the text must not be read past.
TEST(ListTextCodec, CharactersAtEveryOffsetOfTheAsciiFastPath) {
  for (size_t before = 0; before < 18; ++before) {
    for (size_t after = 0; after < 10; ++after) {
      std::string text = std::string(before, 'a') + "歌手é\xF0\x9F\x8E\xB5" + std::string(after, 'z');
      std::string gb;
      appendListText(gb, text);
      ASSERT_EQ(gb, utf8ToGb18030(text)) << before << " " << after;
      ASSERT_EQ(listTextToUtf8(gb), text) << before << " " << after;
    }
  }
}

TEST(ListTextCodec, RejectsBytesThatAreNotGb18030) {
  const char* cases[] = {
      "\x81",              // lead byte at the end
      "\x81\x7F",          // 0x7F is no trail byte
      "\xFF\xA1",          // 0xFF is no lead byte
      "\x80",              // neither is 0x80
      "\x81\x30\x81",      // four-byte form cut short
      "ok\xB0",            // lead byte at the end after text
  };
  for (const char* bytes : cases) EXPECT_FALSE(listTextToUtf8(bytes).has_value()) << bytes;
  EXPECT_EQ(listTextToUtf8(""), "");
}

}  // namespace
}  // namespace youran
