// The secondary search answer: the JSONP unwrap and the entries read from it.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/percent_encoding.h"
#include "online/secondary_service.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view answer(reinterpret_cast<const char*>(data), size);
  const std::string inner = youran::unwrapJsonp(answer);
  if (!inner.empty() && inner.back() != '}') __builtin_trap();
  if (youran::parseSecondarySearch(answer).size() > 10) __builtin_trap();
  youran::percentEncodeAll(answer.substr(0, 64));
  return 0;
}
