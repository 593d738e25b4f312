#include "tags/mp4.h"

#include <array>
#include <optional>

#include "base/text_encoding.h"
#include "tags/byte_order.h"

namespace youran {

namespace {

using tagbytes::be32;
using tagbytes::be64;

// Atom header: size (4, big-endian, counting the header), type (4). Size 1:
// a 64-bit size follows; size 0: the atom runs to the end of its parent.
struct Atom {
  std::string type;
  std::uint64_t body = 0;
  std::uint64_t end = 0;
};

std::optional<Atom> AtomAt(ByteSource& source, std::uint64_t pos, std::uint64_t parentEnd) {
  if (parentEnd < pos || parentEnd - pos < 8) return std::nullopt;
  const std::string_view h = source.peek(pos, 16);
  if (h.size() < 8) return std::nullopt;
  Atom atom;
  atom.type.assign(h.substr(4, 4));
  std::uint64_t size = be32(h, 0);
  std::uint64_t headerSize = 8;
  if (size == 1) {
    if (h.size() < 16) return std::nullopt;
    size = be64(h, 8);
    headerSize = 16;
  } else if (size == 0) {
    size = parentEnd - pos;
  }
  if (size < headerSize || size > parentEnd - pos) return std::nullopt;
  atom.body = pos + headerSize;
  atom.end = pos + size;
  return atom;
}

std::optional<Atom> FindChild(ByteSource& source, std::uint64_t from, std::uint64_t end,
                              std::string_view type) {
  std::uint64_t pos = from;
  while (auto atom = AtomAt(source, pos, end)) {
    if (atom->type == type) return atom;
    pos = atom->end;
  }
  return std::nullopt;
}

struct Mp4Item {
  std::string_view name;
  std::string TagInfo::*field;
};

constexpr std::array<Mp4Item, 7> kItems = {{
    {"\xA9nam", &TagInfo::title},
    {"\xA9" "ART", &TagInfo::artist},
    {"\xA9" "alb", &TagInfo::album},
    {"\xA9" "day", &TagInfo::year},
    {"\xA9" "cmt", &TagInfo::comment},
    {"\xA9lyr", &TagInfo::lyrics},
    {"covr", &TagInfo::picture},
}};

// "data" atom body: type indicator (4: version and a well-known type; 1
// UTF-8, 2 UTF-16BE, 13 JPEG, 14 PNG, 21 integer), locale (4), value.
struct DataValue {
  std::uint32_t kind = 0;
  std::uint64_t at = 0;
  std::uint64_t size = 0;
};

std::optional<DataValue> FirstData(ByteSource& source, const Atom& item) {
  const auto data = FindChild(source, item.body, item.end, "data");
  if (!data || data->end - data->body < 8) return std::nullopt;
  const std::string_view h = source.peek(data->body, 4);
  if (h.size() < 4) return std::nullopt;
  return DataValue{be32(h, 0) & 0xFFFFFF, data->body + 8, data->end - data->body - 8};
}

std::string TextValue(ByteSource& source, const DataValue& value) {
  const std::string bytes = source.read(value.at, static_cast<std::size_t>(value.size));
  if (value.kind == 2) return utf16ToUtf8(bytes, true);
  return Utf8ToInternalText(bytes);
}

// Free-form item "----": "mean" (reverse domain), "name", "data".
bool IsLyricsFreeForm(ByteSource& source, const Atom& item) {
  const auto name = FindChild(source, item.body, item.end, "name");
  if (!name || name->end - name->body < 4) return false;
  const std::string text = source.read(name->body + 4, static_cast<std::size_t>(
                                                           std::min<std::uint64_t>(name->end - name->body - 4, 256)));
  return text.find("LYRICS") != std::string::npos;
}

bool NoteReplayGainFreeForm(ByteSource& source, const Atom& item, ReplayGainTags& gains) {
  const auto name = FindChild(source, item.body, item.end, "name");
  if (!name || name->end - name->body < 4 || name->end - name->body > 64) return false;
  const std::string key = source.read(name->body + 4, static_cast<std::size_t>(name->end - name->body - 4));
  const auto value = FirstData(source, item);
  return value && value->size <= 64 && NoteReplayGainItem(key, TextValue(source, *value), gains);
}

void ReadItems(ByteSource& source, const Atom& ilst, TagInfo& record, ReadOptions options) {
  std::string albumArtist;
  std::uint64_t pos = ilst.body;
  while (auto item = AtomAt(source, pos, ilst.end)) {
    pos = item->end;
    if (item->type == "aART") {
      if (const auto value = FirstData(source, *item)) albumArtist = TextValue(source, *value);
      continue;
    }
    if (item->type == "----") {
      if (NoteReplayGainFreeForm(source, *item, record.replayGain)) continue;
      if (!IsLyricsFreeForm(source, *item)) continue;
      if (const auto value = FirstData(source, *item)) record.lyrics = TextValue(source, *value);
      continue;
    }
    for (const auto& known : kItems) {
      if (item->type != known.name) continue;
      const auto value = FirstData(source, *item);
      if (!value) break;
      if (known.field == &TagInfo::picture) {
        if (options.picture) {
          record.picture = source.read(value->at, static_cast<std::size_t>(value->size));
        }
      } else {
        record.*(known.field) = TextValue(source, *value);
      }
      break;
    }
  }
  // The album artist stands in for a missing track artist.
  if (record.artist.empty()) record.artist = std::move(albumArtist);
}

}  // namespace

void ReadMp4(ByteSource& source, TagInfo& record, ReadOptions options) {
  const std::uint64_t end = source.size();
  const auto moov = FindChild(source, 0, end, "moov");
  if (!moov) return;
  const auto udta = FindChild(source, moov->body, moov->end, "udta");
  if (!udta) return;
  const auto meta = FindChild(source, udta->body, udta->end, "meta");
  if (!meta || meta->end - meta->body < 4) return;
  // "meta" is a full atom: version and flags (4) come before its children.
  const auto ilst = FindChild(source, meta->body + 4, meta->end, "ilst");
  if (!ilst) return;
  ReadItems(source, *ilst, record, options);
}

void ReadMp4(const std::string& path, TagInfo& record, ReadOptions options) {
  auto source = FileSource::open(path);
  if (source) ReadMp4(*source, record, options);
}

}  // namespace youran
