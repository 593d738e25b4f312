#include "tags/ape.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <strings.h>

#include "tags/byte_order.h"
#include "tags/id3.h"

namespace youran {

namespace {

using tagbytes::le16;
using tagbytes::le32;

struct ApeItem {
  std::string_view key;
  std::string TagInfo::*field;
};

constexpr std::array<ApeItem, 9> kItems = {{
    {"Year", &TagInfo::year},
    {"Album", &TagInfo::album},
    {"Artist", &TagInfo::artist},
    {"Copyright", &TagInfo::rights},
    {"Comment", &TagInfo::comment},
    {"Genre", &TagInfo::genre},
    {"Title", &TagInfo::title},
    {"Track", &TagInfo::track},
    {"Lyrics", &TagInfo::lyrics},
}};

bool SameKey(std::string_view a, std::string_view b) {
  return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

bool StartsWithKey(std::string_view key, std::string_view prefix) {
  return key.size() >= prefix.size() && SameKey(key.substr(0, prefix.size()), prefix);
}

std::string VersionText(unsigned version) {
  char text[16];
  std::snprintf(text, sizeof text, "%.3f", version / 1000.0);
  std::string s = text;
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  return s;
}

// Monkey's Audio header, little-endian. From version 3980 a 52-byte
// descriptor ("MAC ", version, padding, seven byte counts, MD5) comes first,
// then: compression level (2), format flags (2), blocks per frame (4), final
// frame blocks (4), total frames (4), bits per sample (2), channels (2),
// sample rate (4). Older files: "MAC ", version, compression level (2),
// format flags (2), channels (2), sample rate (4), header bytes (4),
// terminating bytes (4), total frames (4), final frame blocks (4).
void ReadMonkeysAudio(ByteSource& source, std::uint64_t head, std::uint64_t audioBytes,
                      TagInfo& record) {
  const std::string_view h = source.peek(head, 76);
  if (h.size() < 6 || h.substr(0, 3) != "MAC") return;
  const unsigned version = le16(h, 4);
  unsigned level = 0, channels = 0, sampleRate = 0, bitsPerSample = 0;
  std::uint32_t blocksPerFrame = 0, finalBlocks = 0, totalFrames = 0;
  if (version >= 3980) {
    if (h.size() < 76) return;
    level = le16(h, 52);
    blocksPerFrame = le32(h, 56);
    finalBlocks = le32(h, 60);
    totalFrames = le32(h, 64);
    bitsPerSample = le16(h, 68);
    channels = le16(h, 70);
    sampleRate = le32(h, 72);
  } else {
    if (h.size() < 32) return;
    level = le16(h, 6);
    channels = le16(h, 10);
    sampleRate = le32(h, 12);
    totalFrames = le32(h, 24);
    finalBlocks = le32(h, 28);
  }
  // Older headers do not store the frame size; it follows from the version.
  if (blocksPerFrame == 0) {
    if (version >= 3950) {
      blocksPerFrame = 294912;
    } else if (version >= 3900 || (version >= 3800 && level == 4000)) {
      blocksPerFrame = 73728;
    } else {
      blocksPerFrame = 9216;
    }
  }
  const std::uint64_t blocks =
      totalFrames == 0 ? 0 : (std::uint64_t{totalFrames} - 1) * blocksPerFrame + finalBlocks;
  if (sampleRate > 0) {
    const long long seconds = static_cast<long long>(blocks / sampleRate);
    record.duration = FormatSeconds(seconds);
    if (blocks > 0) {
      const double kbps = static_cast<double>(audioBytes) * 8.0 /
                          (static_cast<double>(blocks) / sampleRate) / 1000.0;
      record.bitrate = std::to_string(std::lround(kbps));
    }
    record.sampleRate = std::to_string(sampleRate);
  }
  (void)bitsPerSample;
  if (channels == 1) record.channels = "单声道";
  if (channels == 2) record.channels = "立体声";
  record.encoding = "Monkey's Audio " + VersionText(version);
}

// APEv2 footer, 32 bytes: "APETAGEX", version (4), tag size counting items
// and footer (4), item count (4), flags (4), reserved (8). Each item: value
// size (4), flags (4), key (ASCII, zero-terminated), value.
std::uint64_t ReadApeTag(ByteSource& source, std::uint64_t tail, TagInfo& record,
                         ReadOptions options) {
  const std::uint64_t length = source.size();
  if (length < tail + 32) return 0;
  const std::uint64_t footerAt = length - tail - 32;
  const std::string_view footer = source.peek(footerAt, 32);
  if (footer.size() < 32 || footer.substr(0, 8) != "APETAGEX") return 0;
  const std::uint64_t tagSize = le32(footer, 12);
  const std::uint32_t itemCount = le32(footer, 16);
  if (tagSize < 32 || tagSize > length - tail) return 0;
  const std::uint64_t itemsEnd = footerAt;
  std::uint64_t pos = length - tail - tagSize;
  std::string coverBytes;
  bool haveFront = false;
  for (std::uint32_t n = 0; n < itemCount && itemsEnd - pos >= 9; ++n) {
    const std::string_view head = source.peek(pos, std::min<std::uint64_t>(8 + 256, itemsEnd - pos));
    if (head.size() < 9) break;
    const std::uint64_t valueSize = le32(head, 0);
    const std::size_t keyEnd = head.find('\0', 8);
    if (keyEnd == std::string_view::npos) break;
    const std::string key(head.substr(8, keyEnd - 8));
    const std::uint64_t valueAt = pos + keyEnd + 1;
    if (valueSize > itemsEnd - valueAt) break;
    pos = valueAt + valueSize;

    if (StartsWithKey(key, "Cover Art")) {
      // Binary value: the picture's file name, a zero byte, the image.
      const bool front = SameKey(key, "Cover Art (Front)");
      if (!options.picture || haveFront || (!coverBytes.empty() && !front)) continue;
      const std::string value = source.read(valueAt, static_cast<std::size_t>(valueSize));
      const std::size_t zero = value.find('\0');
      if (zero == std::string::npos || zero + 1 == value.size()) continue;
      coverBytes = value.substr(zero + 1);
      haveFront = front;
      continue;
    }
    if (StartsWithKey(key, "REPLAYGAIN_") && valueSize <= 64) {
      NoteReplayGainItem(key, source.read(valueAt, static_cast<std::size_t>(valueSize)), record.replayGain);
    }
    for (const auto& item : kItems) {
      if (SameKey(key, item.key)) {
        record.*(item.field) =
            Utf8ToInternalText(source.read(valueAt, static_cast<std::size_t>(valueSize)));
      }
    }
  }
  if (!coverBytes.empty()) record.picture = std::move(coverBytes);
  // An APEv2 tag may also start with a 32-byte header of the same layout.
  const std::uint64_t start = length - tail - tagSize;
  if (start >= 32 && source.peek(start - 32, 8) == "APETAGEX") return tagSize + 32;
  return tagSize;
}

}  // namespace

void ReadApe(ByteSource& source, TagInfo& record, ReadOptions options) {
  ClearTagInfo(record);
  const std::uint64_t head = Id3v2TotalSize(source);
  const std::uint64_t tail = Id3v1Size(source);
  const std::uint64_t tagBytes = ReadApeTag(source, tail, record, options);
  if (options.streamProperties) {
    const std::uint64_t length = source.size();
    const std::uint64_t audioBytes =
        length > head + tail + tagBytes ? length - head - tail - tagBytes : 0;
    ReadMonkeysAudio(source, head, audioBytes, record);
  }
}

void ReadApe(const std::string& path, TagInfo& record, ReadOptions options) {
  auto source = FileSource::open(path);
  if (source) ReadApe(*source, record, options);
}

}  // namespace youran
