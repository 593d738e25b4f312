// Set-Cookie lines of a response header block, merged into old cookies: the
// first line is the old cookie text, the rest the header block.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "net/text_helpers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::size_t newline = input.find('\n');
  std::string old(input.substr(0, newline));
  std::string_view block = newline == std::string_view::npos ? std::string_view{} : input.substr(newline + 1);
  std::string fresh = youran::cookiesFromHeaders(block);
  std::string merged = youran::mergeCookies(old, fresh);
  // Merging is idempotent: merging the same cookies again changes nothing.
  std::string again = merged;
  if (youran::mergeCookies(again, fresh) != merged) __builtin_trap();
  youran::locationFromHeaders(block);
  youran::statusTextFromHeaders(block);
  youran::removeDuplicateItems(block, "; ");
  youran::textBetween(block, "=", ";", static_cast<int>(size % 7), size % 2 == 0);
  return 0;
}
