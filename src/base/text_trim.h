#pragma once

// Blank trimming for ASCII-structured text (settings lines, header fields,
// display names). Multi-byte UTF-8 never contains these bytes, so trimming a
// UTF-8 string this way cannot cut a character in half.

#include <string_view>

namespace youran {

// Space, tab, CR and LF: what a hand-edited file or a header line may carry
// around a value.
inline constexpr std::string_view kTrimmedBlanks = " \t\r\n";

constexpr std::string_view trimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(kTrimmedBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kTrimmedBlanks) - first + 1);
}

}  // namespace youran
