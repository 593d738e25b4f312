// libFuzzer target: ReadId3v2 over arbitrary bytes in memory.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "tags/byte_source.h"
#include "tags/id3.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  youran::MemorySource source(std::string_view(reinterpret_cast<const char*>(data), size));
  youran::TagInfo record;
  youran::ReadId3v2(source, record);
  youran::ReadId3v2(source, record, youran::ReadOptions{false, false});
  youran::DecodeId3Text(source.peek(0, size), youran::Id3TextLayout::kLanguageDescriptorText);
  youran::DecodeId3Text(source.peek(0, size), youran::Id3TextLayout::kDescriptorUrl);
  return 0;
}
