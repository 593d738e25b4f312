// libFuzzer target: the dispatch of one open source to the readers of an
// extension. The first bytes up to ':' name the extension.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "tags/byte_source.h"
#include "tags/tag_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::size_t colon = bytes.find(':');
  if (colon == std::string_view::npos || colon > 8) return 0;
  const std::string path = "x." + std::string(bytes.substr(0, colon));
  youran::TagFormat format = youran::TagFormatForPath(path);
  if (path.size() >= 3 && path.compare(path.size() - 3, 3, "m4a") == 0) {
    format = youran::TagFormat::kMp4;
  }
  youran::MemorySource source(bytes.substr(colon + 1));
  youran::TagInfo record;
  youran::ReadTagsFrom(format, source, record);
  youran::ConversionDisplayName(record, "name");
  return 0;
}
