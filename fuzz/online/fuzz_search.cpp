// The primary search answer: rows and the first song id.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "online/primary_service.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view answer(reinterpret_cast<const char*>(data), size);
  const auto rows = youran::parsePrimarySearch(answer);
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (rows[i].number != std::to_string(i + 1)) __builtin_trap();
  youran::firstSongId(answer);
  return 0;
}
