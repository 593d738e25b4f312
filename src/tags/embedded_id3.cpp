#include "tags/embedded_id3.h"

#include "tags/byte_order.h"
#include "tags/id3.h"

namespace youran {

namespace {

// Larger chunks are not tags anyone wrote; reading them would only cost.
constexpr std::uint64_t kMaxChunk = 64u << 20;

// Where the ID3v2 tag of a RIFF WAVE file sits, and its size; {0, 0} for none.
std::pair<std::uint64_t, std::uint64_t> WaveId3Chunk(ByteSource& source) {
  const std::string_view riff = source.peek(0, 12);
  if (riff.size() < 12 || riff.substr(0, 4) != "RIFF" || riff.substr(8, 4) != "WAVE") return {0, 0};
  std::uint64_t at = 12;
  while (source.remaining(at) >= 8) {
    const std::string_view h = source.peek(at, 8);
    if (h.size() < 8) break;
    const std::uint64_t size = tagbytes::le32(h, 4);
    const std::string_view id = h.substr(0, 4);
    if (id == "id3 " || id == "ID3 ") {
      if (size > source.remaining(at + 8) || size > kMaxChunk) break;
      return {at + 8, size};
    }
    at += 8 + size + (size & 1);
  }
  return {0, 0};
}

void FillMissing(TagInfo& record, const TagInfo& found) {
  for (const auto& field : kTagFields) {
    std::string& mine = record.*(field.member);
    if (mine.empty()) mine = found.*(field.member);
  }
}

}  // namespace

void FillFromEmbeddedId3v2(ByteSource& source, TagInfo& record, ReadOptions options) {
  TagInfo found;
  if (source.peek(0, 3) == "ID3") {
    if (ReadId3v2(source, found, options)) FillMissing(record, found);
    return;
  }
  const auto [at, size] = WaveId3Chunk(source);
  if (size < 10) return;
  const std::string chunk = source.read(at, static_cast<std::size_t>(size));
  MemorySource memory(chunk);
  if (ReadId3v2(memory, found, options)) FillMissing(record, found);
}

std::string DecodeId3TextValues(std::string_view content) {
  if (content.empty()) return {};
  const char encoding = content[0];
  const bool wide = encoding == 1 || encoding == 2;
  const std::size_t unit = wide ? 2 : 1;
  std::string joined;
  std::size_t start = 1;
  while (start < content.size()) {
    std::size_t end = start;
    while (end + unit <= content.size() &&
           !(content[end] == '\0' && (!wide || content[end + 1] == '\0')))
      end += unit;
    if (end + unit > content.size()) end = content.size();
    std::string value = DecodeId3Text(std::string(1, encoding) + std::string(content.substr(start, end - start)));
    if (!value.empty()) {
      if (!joined.empty()) joined += '/';
      joined += value;
    }
    start = end + unit;
  }
  return joined;
}

}  // namespace youran
