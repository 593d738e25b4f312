// libFuzzer target: ReadWma over arbitrary bytes in memory.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "tags/byte_source.h"
#include "tags/wma.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  youran::MemorySource source(std::string_view(reinterpret_cast<const char*>(data), size));
  youran::TagInfo record;
  youran::ReadWma(source, record);
  return 0;
}
