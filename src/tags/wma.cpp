#include "tags/wma.h"

#include <array>

#include "base/text_encoding.h"
#include "tags/byte_order.h"
#include "tags/picture.h"

namespace youran {

namespace {

using namespace std::string_view_literals;
using tagbytes::le16;
using tagbytes::le32;
using tagbytes::le64;
using tagbytes::u8;

// ASF object GUIDs as stored (the first three groups little-endian).
constexpr std::string_view kHeaderObject =
    "\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C"sv;
constexpr std::string_view kFileProperties =
    "\xA1\xDC\xAB\x8C\x47\xA9\xCF\x11\x8E\xE4\x00\xC0\x0C\x20\x53\x65"sv;
constexpr std::string_view kContentDescription =
    "\x33\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C"sv;
constexpr std::string_view kExtendedContentDescription =
    "\x40\xA4\xD0\xD2\x07\xE3\xD2\x11\x97\xF0\x00\xA0\xC9\x5E\xA8\x50"sv;
constexpr std::string_view kCodecList =
    "\x40\x52\xD1\x86\x1D\x31\xD0\x11\xA3\xA4\x00\xA0\xC9\x03\x48\xF6"sv;

constexpr std::size_t kObjectHeader = 24;  // GUID (16), size (8)

struct Descriptor {
  std::string_view name;
  std::string TagInfo::*field;
};

constexpr std::array<Descriptor, 11> kDescriptors = {{
    {"WM/AlbumTitle", &TagInfo::album},
    {"WM/EncodedBy", &TagInfo::encoding},
    {"WM/Genre", &TagInfo::genre},
    {"WM/Lyrics", &TagInfo::lyrics},
    {"WM/Track", &TagInfo::trackAlt},
    {"WM/Year", &TagInfo::year},
    {"WM/URL", &TagInfo::url},
    {"WM/UserWebURL", &TagInfo::composer},
    {"WMFSDKVersion", &TagInfo::version},
    {"WM/TrackNumber", &TagInfo::track},
    {"WM/Picture", &TagInfo::picture},
}};

// UTF-16LE text, cut at its terminator.
std::string Utf16Text(std::string_view bytes) {
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    if (bytes[i] == '\0' && bytes[i + 1] == '\0') {
      bytes = bytes.substr(0, i);
      break;
    }
  }
  return utf16ToUtf8(bytes, false);
}

std::string Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

// Content Description: five 16-bit lengths (title, author, copyright,
// description, rating), then the five UTF-16 texts.
void ContentDescription(std::string_view b, TagInfo& record) {
  if (b.size() < 10) return;
  std::array<std::string TagInfo::*, 5> fields = {&TagInfo::title, &TagInfo::artist,
                                                  &TagInfo::rights, &TagInfo::comment, nullptr};
  std::size_t at = 10;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const std::size_t length = le16(b, i * 2);
    if (length > b.size() - at) return;
    if (fields[i]) record.*(fields[i]) = Utf16Text(b.substr(at, length));
    at += length;
  }
}

// WM/Picture value: picture type (1), image size (4), MIME type and
// description (UTF-16, each ending in a zero pair), image.
std::optional<std::pair<unsigned, std::string_view>> WmPicture(std::string_view v) {
  if (v.size() < 5) return std::nullopt;
  const unsigned type = u8(v, 0);
  const std::uint32_t imageSize = le32(v, 1);
  std::size_t at = 5;
  for (int text = 0; text < 2; ++text) {
    for (;; at += 2) {
      if (at + 1 >= v.size()) return std::nullopt;
      if (v[at] == '\0' && v[at + 1] == '\0') break;
    }
    at += 2;
  }
  if (imageSize > v.size() - at) return std::nullopt;
  return std::pair{type, v.substr(at, imageSize)};
}

// Extended Content Description: count (2); each descriptor: name length (2),
// name (UTF-16), value type (2: 0 text, 1 bytes, 2 bool, 3 DWORD, 4 QWORD,
// 5 WORD), value length (2), value.
void ExtendedContentDescription(std::string_view b, TagInfo& record, ReadOptions options) {
  if (b.size() < 2) return;
  const unsigned count = le16(b, 0);
  std::size_t at = 2;
  PictureChoice pictures;
  for (unsigned n = 0; n < count; ++n) {
    if (b.size() - at < 2) return;
    const std::size_t nameLength = le16(b, at);
    at += 2;
    if (b.size() - at < nameLength + 4) return;
    const std::string name = Utf16Text(b.substr(at, nameLength));
    at += nameLength;
    const unsigned type = le16(b, at);
    const std::size_t valueLength = le16(b, at + 2);
    at += 4;
    if (valueLength > b.size() - at) return;
    const std::string_view value = b.substr(at, valueLength);
    at += valueLength;
    for (const auto& d : kDescriptors) {
      if (name != d.name) continue;
      if (d.field == &TagInfo::picture) {
        if (!options.picture || type != 1) break;
        if (const auto picture = WmPicture(value)) {
          pictures.offer(picture->first, picture->second, record.picture);
        }
      } else if (type == 0) {
        record.*(d.field) = Utf16Text(value);
      } else if (type == 3 && value.size() >= 4) {
        record.*(d.field) = std::to_string(le32(value, 0));
      } else if (type == 4 && value.size() >= 8) {
        record.*(d.field) = std::to_string(le64(value, 0));
      } else if (type == 5 && value.size() >= 2) {
        record.*(d.field) = std::to_string(le16(value, 0));
      }
      break;
    }
  }
}

// File Properties after the object header: file ID (16), file size (8),
// creation date (8), data packets (8), play duration (8, 100 ns), send
// duration (8), preroll (8, ms).
void FileProperties(std::string_view b, TagInfo& record) {
  if (b.size() < 64) return;
  const std::uint64_t play = le64(b, 40);
  const std::uint64_t preroll = le64(b, 56);
  const std::uint64_t playMs = play / 10000;
  record.duration =
      FormatSeconds(static_cast<long long>(playMs > preroll ? (playMs - preroll) / 1000 : 0));
}

// Codec List: reserved GUID (16), count (4); each entry: type (2, 2 audio),
// name length (2, characters) and name, description length (2, characters)
// and description, information length (2, bytes) and information.
void CodecList(std::string_view b, TagInfo& record) {
  if (b.size() < 20) return;
  const std::uint32_t count = le32(b, 16);
  std::size_t at = 20;
  for (std::uint32_t n = 0; n < count; ++n) {
    if (b.size() - at < 4) return;
    const unsigned type = le16(b, at);
    const std::size_t nameBytes = std::size_t{le16(b, at + 2)} * 2;
    at += 4;
    if (b.size() - at < nameBytes + 2) return;
    const std::string name = Utf16Text(b.substr(at, nameBytes));
    at += nameBytes;
    const std::size_t descriptionBytes = std::size_t{le16(b, at)} * 2;
    at += 2;
    if (b.size() - at < descriptionBytes + 2) return;
    const std::string description = Utf16Text(b.substr(at, descriptionBytes));
    at += descriptionBytes;
    const std::size_t infoBytes = le16(b, at);
    at += 2;
    if (b.size() - at < infoBytes) return;
    at += infoBytes;
    if (type != 2) continue;  // video or unknown codec

    record.encoding = name;
    const std::size_t comma = description.find(',');
    record.bitrate = Trim(std::string_view(description).substr(0, comma));
    if (comma != std::string::npos) {
      const std::size_t next = description.find(',', comma + 1);
      record.sampleRate =
          Trim(std::string_view(description).substr(comma + 1, next == std::string::npos ? next : next - comma - 1));
    }
    if (description.find("stereo") != std::string::npos) {
      record.channels = "立体声";
    } else if (description.find("mono") != std::string::npos) {
      record.channels = "单声道";
    } else {
      record.channels = "未知";
    }
    return;
  }
}

}  // namespace

void ReadWma(ByteSource& source, TagInfo& record, ReadOptions options) {
  ClearTagInfo(record);
  // Header Object: GUID (16), size (8), object count (4), reserved (2).
  const std::string_view h = source.peek(0, 30);
  if (h.size() < 30 || h.substr(0, 16) != kHeaderObject) return;
  const std::uint64_t headerEnd = std::min<std::uint64_t>(le64(h, 16), source.size());
  const std::uint32_t objects = le32(h, 24);
  std::uint64_t pos = 30;
  for (std::uint32_t n = 0; n < objects && headerEnd > pos && headerEnd - pos >= kObjectHeader;
       ++n) {
    const std::string_view o = source.peek(pos, kObjectHeader);
    if (o.size() < kObjectHeader) return;
    const std::string guid(o.substr(0, 16));
    const std::uint64_t size = le64(o, 16);
    if (size < kObjectHeader || size > headerEnd - pos) return;
    const std::uint64_t body = pos + kObjectHeader;
    const auto bodySize = static_cast<std::size_t>(size - kObjectHeader);
    pos += size;
    if (guid == kContentDescription) {
      ContentDescription(source.read(body, bodySize), record);
    } else if (guid == kExtendedContentDescription) {
      ExtendedContentDescription(source.read(body, bodySize), record, options);
    } else if (guid == kFileProperties && options.streamProperties) {
      FileProperties(source.read(body, bodySize), record);
    } else if (guid == kCodecList && options.streamProperties) {
      CodecList(source.read(body, bodySize), record);
    }
  }
}

void ReadWma(const std::string& path, TagInfo& record, ReadOptions options) {
  auto source = FileSource::open(path);
  if (source) ReadWma(*source, record, options);
}

}  // namespace youran
