// The charset step over any body: a <meta> declaration picks the converter.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "net/charset.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view body(reinterpret_cast<const char*>(data), size);
  youran::bodyTextFromDeclaredCharset(body);
  return 0;
}
