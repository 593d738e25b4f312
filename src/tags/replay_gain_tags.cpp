#include "tags/replay_gain_tags.h"

#include <strings.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "tags/byte_order.h"
#include "tags/id3.h"
#include "tags/mp4.h"
#include "tags/tag_reader.h"
#include "tags/vorbis_comment.h"

namespace youran {

namespace {

// R128 gains aim at -23 LUFS, ReplayGain 2 at -18 LUFS.
constexpr double kR128ToReplayGainDb = 5.0;

bool SameKey(std::string_view a, std::string_view b) {
  return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// A leading number with optional blanks and a trailing unit ("-6.20 dB").
std::optional<double> LeadingNumber(std::string_view text) {
  std::string owned(text);
  const char* begin = owned.c_str();
  while (*begin == ' ' || *begin == '\t') ++begin;
  // Some taggers write "+3.1 dB"; strtod takes the sign, but not a comma
  // decimal separator, which a few Windows taggers write.
  for (char& c : owned) {
    if (c == ',') c = '.';
  }
  char* end = nullptr;
  errno = 0;
  const double value = std::strtod(begin, &end);
  if (end == begin || errno == ERANGE || !std::isfinite(value)) return std::nullopt;
  for (; *end; ++end) {
    if (*end != ' ' && *end != '\t' && *end != 'd' && *end != 'D' && *end != 'b' && *end != 'B') {
      return std::nullopt;
    }
  }
  return value;
}

std::optional<double> Q78(std::string_view text) {
  std::string owned(text);
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(owned.c_str(), &end, 10);
  if (end == owned.c_str() || *end != '\0' || errno == ERANGE || value < -32768 || value > 32767) {
    return std::nullopt;
  }
  return static_cast<double>(value) / 256.0;
}

// Gains outside this range are damaged tags, not loudness.
std::optional<double> SaneGain(std::optional<double> db) {
  if (db && std::fabs(*db) <= 64.0) return db;
  return std::nullopt;
}

std::optional<double> SanePeak(std::optional<double> peak) {
  if (peak && *peak > 0.0 && *peak <= 64.0) return peak;
  return std::nullopt;
}

// The first two packets of the first logical stream of an Ogg file.
bool FirstOggPackets(ByteSource& source, std::string& first, std::string& second) {
  constexpr std::uint64_t kHeaderLimit = 16u << 20;
  std::string* packets[2] = {&first, &second};
  int current = 0;
  std::uint64_t pos = 0;
  std::uint32_t serial = 0;
  bool haveSerial = false;
  first.clear();
  second.clear();
  while (current < 2 && pos < kHeaderLimit) {
    const std::string_view h = source.peek(pos, 27);
    if (h.size() < 27 || h.substr(0, 4) != "OggS") return false;
    const std::uint32_t pageSerial = tagbytes::le32(h, 14);
    const unsigned count = tagbytes::u8(h, 26);
    const std::string table(source.peek(pos + 27, count));
    if (table.size() < count) return false;
    std::uint64_t at = pos + 27 + count;
    std::uint64_t body = 0;
    for (char c : table) body += static_cast<unsigned char>(c);
    pos = at + body;
    if (!haveSerial) {
      serial = pageSerial;
      haveSerial = true;
    }
    if (pageSerial != serial) continue;
    for (char c : table) {
      const unsigned lace = static_cast<unsigned char>(c);
      if (current < 2) *packets[current] += source.read(at, lace);
      at += lace;
      if (lace < 255) ++current;
    }
  }
  return current >= 2;
}

void ReadOpusGains(ByteSource& source, ReplayGainTags& gains) {
  const auto header = OpusHeaderGain(source);
  gains.opusHeaderGain = header;
  std::string head, tags;
  if (!FirstOggPackets(source, head, tags) || tags.compare(0, 8, "OpusTags") != 0) return;
  // OpusTags has the layout of a Vorbis comment block after its magic.
  TagInfo record;
  ParseVorbisComment(std::string_view(tags).substr(8), VorbisCommentHost::kOgg, record,
                     ReadOptions{false, false});
  gains = record.replayGain;
  gains.opusHeaderGain = header;
}

}  // namespace

bool NoteReplayGainItem(std::string_view key, std::string_view value, ReplayGainTags& gains) {
  if (SameKey(key, "REPLAYGAIN_TRACK_GAIN")) {
    gains.trackGain = SaneGain(LeadingNumber(value));
  } else if (SameKey(key, "REPLAYGAIN_TRACK_PEAK")) {
    gains.trackPeak = SanePeak(LeadingNumber(value));
  } else if (SameKey(key, "REPLAYGAIN_ALBUM_GAIN")) {
    gains.albumGain = SaneGain(LeadingNumber(value));
  } else if (SameKey(key, "REPLAYGAIN_ALBUM_PEAK")) {
    gains.albumPeak = SanePeak(LeadingNumber(value));
  } else if (SameKey(key, "R128_TRACK_GAIN")) {
    if (auto q = Q78(value)) gains.trackGain = SaneGain(*q + kR128ToReplayGainDb);
  } else if (SameKey(key, "R128_ALBUM_GAIN")) {
    if (auto q = Q78(value)) gains.albumGain = SaneGain(*q + kR128ToReplayGainDb);
  } else {
    return false;
  }
  return true;
}

void NoteId3UserText(std::string_view content, ReplayGainTags& gains) {
  if (content.empty()) return;
  const char encoding = content[0];
  const std::string_view body = content.substr(1);
  std::size_t split = std::string_view::npos;
  std::size_t terminator = 1;
  if (encoding == 1 || encoding == 2) {
    terminator = 2;
    for (std::size_t i = 0; i + 1 < body.size(); i += 2) {
      if (body[i] == '\0' && body[i + 1] == '\0') {
        split = i;
        break;
      }
    }
  } else {
    split = body.find('\0');
  }
  if (split == std::string_view::npos) return;
  const std::string prefix(1, encoding);
  const std::string key = DecodeId3Text(prefix + std::string(body.substr(0, split)));
  const std::string value = DecodeId3Text(prefix + std::string(body.substr(split + terminator)));
  NoteReplayGainItem(key, value, gains);
}

std::optional<double> OpusHeaderGain(ByteSource& source) {
  // First page: 27-byte header, one lacing value, then "OpusHead", version
  // (1), channels (1), pre-skip (2), input rate (4), output gain (2, signed
  // Q7.8, little-endian).
  const std::string_view h = source.peek(0, 27);
  if (h.size() < 27 || h.substr(0, 4) != "OggS") return std::nullopt;
  const unsigned count = tagbytes::u8(h, 26);
  const std::string_view head = source.peek(27 + count, 19);
  if (head.size() < 19 || head.substr(0, 8) != "OpusHead") return std::nullopt;
  const auto raw = static_cast<std::int16_t>(tagbytes::le16(head, 16));
  return raw / 256.0;
}

ReplayGainTags ReadReplayGainTags(const std::string& path) {
  ReplayGainTags gains;
  auto source = FileSource::open(path);
  if (!source) return gains;
  const std::string_view magic = source->peek(0, 80);
  if (magic.substr(0, 4) == "OggS" && magic.find("OpusHead") != std::string_view::npos) {
    ReadOpusGains(*source, gains);
    return gains;
  }
  TagInfo record;
  const ReadOptions options{false, false};
  if (magic.size() >= 8 && magic.substr(4, 4) == "ftyp") {
    ReadMp4(*source, record, options);
  } else {
    ReadTagsFrom(TagFormatForPath(path), *source, record, options);
  }
  return record.replayGain;
}

}  // namespace youran
