// The lyric cut: every line it keeps opens with "[" and ends in CR LF.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "online/primary_service.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view answer(reinterpret_cast<const char*>(data), size);
  const std::string lrc = youran::cutLyric(answer);
  if (!lrc.empty() && (lrc.size() < 3 || lrc.compare(lrc.size() - 2, 2, "\r\n") != 0)) __builtin_trap();
  return 0;
}
