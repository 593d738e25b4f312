// libFuzzer target: ReadId3v1 over arbitrary bytes in memory.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "tags/byte_source.h"
#include "tags/id3.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  youran::MemorySource source(std::string_view(reinterpret_cast<const char*>(data), size));
  youran::TagInfo record;
  youran::ReadId3v1(source, record);
  youran::Id3v1Size(source);
  return 0;
}
