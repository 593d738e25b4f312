// libFuzzer target: ReadApe over arbitrary bytes in memory.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "tags/byte_source.h"
#include "tags/ape.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  youran::MemorySource source(std::string_view(reinterpret_cast<const char*>(data), size));
  youran::TagInfo record;
  youran::ReadApe(source, record);
  youran::ReadApe(source, record, youran::ReadOptions{false, true});
  return 0;
}
