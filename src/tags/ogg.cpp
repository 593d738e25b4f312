#include "tags/ogg.h"

#include <cmath>
#include <vector>

#include "tags/byte_order.h"
#include "tags/opus.h"
#include "tags/vorbis_comment.h"

namespace youran {

namespace {

using tagbytes::le32;
using tagbytes::le64;
using tagbytes::u8;

// Page header, 27 bytes: "OggS", version (0), header type, granule position
// (8, LE), serial number (4), page sequence (4), CRC (4), segment count (1);
// then the segment table, one lacing value per segment. A packet continues
// over every segment of 255 bytes, across pages too.
constexpr std::size_t kPageHeader = 27;

class OggPackets {
 public:
  explicit OggPackets(ByteSource& source) : source_(source) {}

  // The next packet of the first stream; false at the end of the data or at
  // a damaged page.
  bool next(std::string& packet) {
    packet.clear();
    for (;;) {
      if (segment_ == lacing_.size() && !loadPage()) return false;
      // One read for a run of segments that belong to the same packet.
      std::uint64_t run = 0;
      bool ends = false;
      while (segment_ < lacing_.size()) {
        const unsigned value = lacing_[segment_++];
        run += value;
        if (value < 255) {
          ends = true;
          break;
        }
      }
      if (run > source_.remaining(data_)) return false;
      packet += source_.peek(data_, static_cast<std::size_t>(run));
      data_ += run;
      if (ends) return true;
    }
  }

  std::uint32_t serial() const { return serial_; }

 private:
  bool loadPage() {
    for (;;) {
      const std::string_view h = source_.peek(pos_, kPageHeader);
      if (h.size() < kPageHeader || h.substr(0, 4) != "OggS" || h[4] != '\0') return false;
      const std::uint32_t serial = le32(h, 14);
      const unsigned count = u8(h, 26);
      const std::string_view table = source_.peek(pos_ + kPageHeader, count);
      if (table.size() < count) return false;
      std::uint64_t bodySize = 0;
      for (char c : table) bodySize += static_cast<unsigned char>(c);
      const std::uint64_t body = pos_ + kPageHeader + count;
      pos_ = body + bodySize;
      if (!haveSerial_) {
        serial_ = serial;
        haveSerial_ = true;
      }
      if (serial != serial_) continue;  // a page of another multiplexed stream
      lacing_.assign(table.begin(), table.end());
      segment_ = 0;
      data_ = body;
      return true;
    }
  }

  ByteSource& source_;
  std::uint64_t pos_ = 0;
  std::uint64_t data_ = 0;
  std::vector<unsigned char> lacing_;
  std::size_t segment_ = 0;
  std::uint32_t serial_ = 0;
  bool haveSerial_ = false;
};

// Granule position of the last page of `serial`, searched backwards from the
// end of the file.
bool LastGranule(ByteSource& source, std::uint32_t serial, std::uint64_t& granule) {
  for (std::uint64_t span : {std::uint64_t{12500 + kPageHeader}, std::uint64_t{65536 * 2}}) {
    const std::uint64_t length = source.size();
    const std::uint64_t start = length > span ? length - span : 0;
    const std::string_view tail = source.peek(start, static_cast<std::size_t>(length - start));
    for (std::size_t at = tail.size() >= kPageHeader ? tail.size() - kPageHeader + 1 : 0; at-- > 0;) {
      if (tail.compare(at, 4, "OggS") != 0 || le32(tail, at + 14) != serial) continue;
      const std::uint64_t value = le64(tail, at + 6);
      if (value == ~std::uint64_t{0}) continue;  // no packet ends on this page
      granule = value;
      return true;
    }
    if (start == 0) break;
  }
  return false;
}

std::string ChannelText(unsigned channels) {
  switch (channels) {
    case 1:
      return "单声道";
    case 2:
      return "立体声";
    case 3:
      return "3通道";
    case 4:
      return "4通道";
    default:
      return "未知";
  }
}

// An Opus stream after its OpusHead: the comments, and the properties as the
// decoder will see them (48 kHz, length less the pre-skip, average bitrate).
void ReadOpusRest(OggPackets& packets, const OpusHead& head, ByteSource& source, TagInfo& record,
                  ReadOptions options) {
  std::string packet;
  if (packets.next(packet)) {
    const std::string_view block = OpusCommentBlock(packet);
    if (!block.empty()) ParseVorbisComment(block, VorbisCommentHost::kOgg, record, options);
  }
  if (!options.streamProperties) return;
  std::uint64_t granule = 0;
  if (LastGranule(source, packets.serial(), granule) && granule > head.preSkip) {
    const std::uint64_t seconds = (granule - head.preSkip) / kOpusRate;
    record.duration = FormatSeconds(static_cast<long long>(seconds));
    if (seconds > 0) record.bitrate = std::to_string(source.size() * 8 / seconds / 1000);
  }
  record.sampleRate = std::to_string(kOpusRate);
  record.channels = ChannelText(head.channels);
  record.encoding = "Ogg Opus";
}

}  // namespace

void ReadOgg(ByteSource& source, TagInfo& record, ReadOptions options) {
  ClearTagInfo(record);
  if (source.peek(0, 4) != "OggS") return;
  OggPackets packets(source);
  std::string packet;
  // Identification header: 0x01 "vorbis", version (4), channels (1), sample
  // rate (4), maximum, nominal and minimum bitrate (4 each, signed).
  if (!packets.next(packet)) return;
  if (const auto opus = ParseOpusHead(packet)) return ReadOpusRest(packets, *opus, source, record, options);
  if (packet.size() < 28 || packet.compare(0, 7, "\x01vorbis") != 0) return;
  const unsigned channels = u8(packet, 11);
  const std::uint32_t sampleRate = le32(packet, 12);
  const auto nominal = static_cast<std::int32_t>(le32(packet, 20));

  if (packets.next(packet) && packet.size() >= 7 && packet.compare(0, 7, "\x03vorbis") == 0) {
    ParseVorbisComment(std::string_view(packet).substr(7), VorbisCommentHost::kOgg, record,
                       options);
  }
  if (!options.streamProperties) return;

  std::uint64_t granule = 0;
  if (sampleRate > 0 && LastGranule(source, packets.serial(), granule)) {
    const std::uint64_t seconds = granule / sampleRate;
    record.duration = FormatSeconds(static_cast<long long>(seconds));
    if (nominal <= 0 && seconds > 0) {
      record.bitrate = std::to_string(source.size() * 8 / seconds / 1000);
    }
  }
  if (nominal > 0) record.bitrate = std::to_string(std::lround(nominal / 1000.0));
  if (sampleRate > 0) record.sampleRate = std::to_string(sampleRate);
  record.channels = ChannelText(channels);
  record.encoding = "Ogg Vorbis";
}

void ReadOgg(const std::string& path, TagInfo& record, ReadOptions options) {
  auto source = FileSource::open(path);
  if (source) ReadOgg(*source, record, options);
}

}  // namespace youran
