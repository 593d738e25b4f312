#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "base/percent_encoding.h"
#include "base/text_trim.h"

namespace youran {
namespace {

TEST(PercentEncoding, EachCallerKeepsItsOwnBytes) {
  struct Case {
    std::string_view bytes;
    std::string_view alsoKept;
    const char* query;    // search keyword in a query value
    const char* kept;     // with `alsoKept` left plain (trash info path)
    const char* allOfIt;  // keyword of the service that wants every byte escaped
  };
  const Case cases[] = {
      {"晨光", "", "%E6%99%A8%E5%85%89", "%E6%99%A8%E5%85%89", "%E6%99%A8%E5%85%89"},
      {"Az09-._~", "", "Az09-._~", "Az09-._~", "%41%7A%30%39%2D%2E%5F%7E"},
      {"a b&c=d+e%f", "", "a%20b%26c%3Dd%2Be%25f", "a%20b%26c%3Dd%2Be%25f", "%61%20%62%26%63%3D%64%2B%65%25%66"},
      {"/home/雨 1/a#b.mp3", "/", "%2Fhome%2F%E9%9B%A8%201%2Fa%23b.mp3", "/home/%E9%9B%A8%201/a%23b.mp3",
       "%2F%68%6F%6D%65%2F%E9%9B%A8%20%31%2F%61%23%62%2E%6D%70%33"},
      {std::string_view("\0\x7F\xFF", 3), "", "%00%7F%FF", "%00%7F%FF", "%00%7F%FF"},
      {"", "", "", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(percentEncode(c.bytes), c.query) << c.bytes;
    EXPECT_EQ(percentEncode(c.bytes, c.alsoKept), c.kept) << c.bytes;
    EXPECT_EQ(percentEncodeAll(c.bytes), c.allOfIt) << c.bytes;
  }
}

TEST(TextTrim, BlanksGoFromBothEndsOnly) {
  struct Case {
    std::string_view text;
    std::string_view trimmed;
  };
  const Case cases[] = {
      {"  key = value \r\n", "key = value"},
      {"\tSet-Cookie", "Set-Cookie"},
      {" \t\r\n", ""},
      {"", ""},
      {"a", "a"},
      {"\xE3\x80\x80全角\xE3\x80\x80", "\xE3\x80\x80全角\xE3\x80\x80"},  // U+3000 is not ASCII blank
      {"\va\f", "\va\f"},
  };
  for (const auto& c : cases) EXPECT_EQ(trimBlanks(c.text), c.trimmed) << c.text;
  static_assert(trimBlanks("  x ") == "x");
}

}  // namespace
}  // namespace youran
