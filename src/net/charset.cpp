#include "net/charset.h"

#include "base/log.h"
#include "base/text_encoding.h"
#include "net/regex_matcher.h"
#include "net/text_helpers.h"

namespace youran {

namespace {

constexpr std::size_t kHeadCharacters = 1024;

// The first n UTF-8 characters (lead bytes counted; stray bytes count too).
std::string_view firstCharacters(std::string_view text, std::size_t n) {
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && characters++ == n) return text.substr(0, i);
  }
  return text;
}

bool isUtf8Name(std::string_view charset) { return equalsIgnoreCase(charset, "utf-8") || equalsIgnoreCase(charset, "utf8"); }

// Pages labelled gb2312 or gbk routinely hold characters outside those sets;
// GB18030 reads every byte sequence either of them can produce.
bool isGbName(std::string_view charset) {
  return equalsIgnoreCase(charset, "gbk") || equalsIgnoreCase(charset, "gb2312") ||
         equalsIgnoreCase(charset, "gb18030") || equalsIgnoreCase(charset, "x-gbk");
}

}  // namespace

std::string declaredCharset(std::string_view body) {
  RegexMatcher matcher;
  if (!matcher.execute(R"(<meta.+?charset=[^\w]?([-\w]+))", firstCharacters(body, kHeadCharacters))) return {};
  return matcher.subMatch(1, 1);
}

std::string bodyTextFromDeclaredCharset(std::string_view body) {
  std::string charset = declaredCharset(body);
  if (charset.empty() || isUtf8Name(charset)) return std::string(body);
  std::optional<std::string> text = isGbName(charset) ? gb18030ToUtf8(body) : charsetToUtf8(body, charset);
  if (!text) {
    logWarning("net", "body declared as " + charset + " does not convert; kept as received");
    return std::string(body);
  }
  return *std::move(text);
}

}  // namespace youran
