// The regex wrapper with the patterns the player uses, over any text; the
// first byte picks the options.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "net/regex_matcher.h"

namespace {

constexpr std::array<std::string_view, 6> kPatterns = {
    R"(<meta.+?charset=[^\w]?([-\w]+))",
    R"(\[(\d+):(\d+)(?:\.(\d+))?\](.*?)(?=\[\d+:|$))",
    R"(#引号(\w+)#引号:#引号?([^#引号,}]*))",
    R"(^\s*(\S+?)\s*-\s*(.+?)\s*$)",
    R"(x*)",
    R"((a|b)*?c\1)",
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t options = data[0];
  std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  youran::RegexMatcher matcher;
  for (std::string_view pattern : kPatterns) {
    matcher.execute(pattern, text, options & 1, options & 2, options & 4, true);
    for (int m = 0; m <= matcher.matchCount() + 1 && m < 50; ++m) {
      int position = 0;
      matcher.matchText(m, &position);
      for (int g = 0; g <= matcher.subMatchCount(m) + 1; ++g) matcher.subMatch(m, g, &position);
    }
    matcher.replace("<$1|$2|$&|$$|$`|$'|$9>");
  }
  return 0;
}
