// libFuzzer target: ReadMp4 over arbitrary bytes in memory.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "tags/byte_source.h"
#include "tags/mp4.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  youran::MemorySource source(std::string_view(reinterpret_cast<const char*>(data), size));
  youran::TagInfo record;
  youran::ReadMp4(source, record);
  return 0;
}
