#include "tags/mpeg_header.h"

#include <cmath>

#include "tags/byte_order.h"
#include "tags/id3.h"

namespace youran {

namespace {

using tagbytes::be32;
using tagbytes::u8;

// kbit/s by version code, layer code and bitrate index (ISO/IEC 11172-3 and
// 13818-3; MPEG 2 and 2.5 share their rows).
constexpr std::array<unsigned, 16> kV1L1 = {0,   32,  64,  96,  128, 160, 192, 224,
                                            256, 288, 320, 352, 384, 416, 448, 0};
constexpr std::array<unsigned, 16> kV1L2 = {0,   32,  48,  56,  64,  80,  96,  112,
                                            128, 160, 192, 224, 256, 320, 384, 0};
constexpr std::array<unsigned, 16> kV1L3 = {0,   32,  40,  48,  56,  64,  80,  96,
                                            112, 128, 160, 192, 224, 256, 320, 0};
constexpr std::array<unsigned, 16> kV2L1 = {0,   32,  48,  56,  64,  80,  96,  112,
                                            128, 144, 160, 176, 192, 224, 256, 0};
constexpr std::array<unsigned, 16> kV2L23 = {0,  8,  16, 24,  32,  40,  48,  56,
                                             64, 80, 96, 112, 128, 144, 160, 0};
constexpr std::array<unsigned, 16> kNone = {};

constexpr std::array<std::array<std::array<unsigned, 16>, 4>, 4> kBitrates = {{
    {kNone, kV2L23, kV2L23, kV2L1},  // MPEG 2.5
    {kNone, kNone, kNone, kNone},    // reserved
    {kNone, kV2L23, kV2L23, kV2L1},  // MPEG 2
    {kNone, kV1L3, kV1L2, kV1L1},    // MPEG 1
}};

constexpr std::array<std::array<unsigned, 4>, 4> kSampleRates = {{
    {11025, 12000, 8000, 0},
    {0, 0, 0, 0},
    {22050, 24000, 16000, 0},
    {44100, 48000, 32000, 0},
}};

constexpr std::array<std::string_view, 4> kVersionNames = {"MPEG 2.5", "MPEG ?", "MPEG 2",
                                                           "MPEG 1"};
constexpr std::array<std::string_view, 4> kLayerNames = {"Layer ?", "Layer III", "Layer II",
                                                         "Layer I"};
constexpr std::array<std::string_view, 4> kChannelNames = {"立体声", "立体声(Joint)", "双通道",
                                                           "单声道"};

constexpr int kSyncAttempts = 2048;

}  // namespace

// Header bits, most significant first: 11 sync, 2 version, 2 layer,
// 1 protection, 4 bitrate index, 2 sample-rate index, 1 padding, 1 private,
// 2 channel mode, 2 mode extension, 1 copyright, 1 original, 2 emphasis.
std::optional<MpegFrameHeader> ParseMpegFrameHeader(std::string_view h) {
  if (h.size() < 4) return std::nullopt;
  const unsigned h1 = u8(h, 0), h2 = u8(h, 1), h3 = u8(h, 2), h4 = u8(h, 3);
  if (h1 != 0xFF || (h2 & 0xE0) != 0xE0) return std::nullopt;
  MpegFrameHeader f;
  f.version = (h2 >> 3) & 3;
  f.layer = (h2 >> 1) & 3;
  const unsigned bitrateIndex = h3 >> 4;
  const unsigned rateIndex = (h3 >> 2) & 3;
  if (f.version == 1 || f.layer == 0 || bitrateIndex == 0 || bitrateIndex == 15 ||
      rateIndex == 3 || (h4 & 3) == 2) {
    return std::nullopt;
  }
  f.bitrateKbps = kBitrates[f.version][f.layer][bitrateIndex];
  f.sampleRate = kSampleRates[f.version][rateIndex];
  f.padding = (h3 >> 1) & 1;
  f.channelMode = h4 >> 6;
  if (f.layer == 3) {
    f.lengthFactor = 48;
  } else if (f.layer == 2 || f.version == 3) {
    f.lengthFactor = 144;
  } else {
    f.lengthFactor = 72;
  }
  f.paddingSize = f.padding ? (f.layer == 3 ? 4 : 1) : 0;
  if (f.sampleRate == 0 || f.bitrateKbps == 0) return std::nullopt;
  f.frameLength = static_cast<unsigned>(std::uint64_t{f.lengthFactor} * f.bitrateKbps * 1000 /
                                        f.sampleRate) +
                  f.paddingSize;
  return f;
}

void ReadMpegStream(ByteSource& source, TagInfo& record) {
  const std::uint64_t head = Id3v2TotalSize(source);
  const std::uint64_t tail = Id3v1Size(source);
  const std::uint64_t length = source.size();

  std::optional<MpegFrameHeader> frame;
  std::uint64_t pos = head;
  {
    const std::string_view window = source.peek(head, kSyncAttempts + 3);
    for (std::size_t i = 0; i + 4 <= window.size() && i < kSyncAttempts; ++i) {
      frame = ParseMpegFrameHeader(window.substr(i, 4));
      if (frame) {
        pos = head + i;
        break;
      }
    }
  }
  if (!frame) {
    record.channels.clear();
    record.bitrate = "0";
    record.sampleRate = "0";
    record.encoding = " ";
    return;
  }

  unsigned kbps = frame->bitrateKbps;
  const std::uint64_t audioEnd = length > tail ? length - tail : 0;
  if (audioEnd > pos) {
    record.duration = FormatSeconds(static_cast<long long>((audioEnd - pos) * 8 / 1000 / kbps));
  }

  // The Xing/Info/VBRI header sits in the first frame, after its side info.
  const std::string_view body = source.peek(pos + 4, frame->frameLength + 3);
  for (std::size_t i = 0; i + 4 <= body.size() && i < frame->frameLength; ++i) {
    const std::string_view tagName = body.substr(i, 4);
    std::uint64_t frames = 0;
    std::uint64_t bytes = 0;
    if (tagName == "Xing" || tagName == "Info") {
      // Flags: bit 0 frame count present, bit 1 byte count present; the
      // fields follow in that order.
      if (body.size() < i + 8) break;
      const std::uint32_t flags = be32(body, i + 4);
      std::size_t at = i + 8;
      if ((flags & 1) && body.size() >= at + 4) {
        frames = be32(body, at);
        at += 4;
      }
      if ((flags & 2) && body.size() >= at + 4) bytes = be32(body, at);
    } else if (tagName == "VBRI") {
      // "VBRI", version (2), delay (2), quality (2), bytes (4), frames (4).
      if (body.size() < i + 18) break;
      bytes = be32(body, i + 10);
      frames = be32(body, i + 14);
    } else {
      continue;
    }
    // A count of 0 would divide by zero: the header is ignored and the
    // constant-bitrate estimate stands.
    if (frames == 0) break;
    const double samplesPerFrame = frame->lengthFactor * 8.0;
    record.duration = FormatSeconds(
        static_cast<long long>(static_cast<double>(frames) * samplesPerFrame / frame->sampleRate));
    if (bytes > 0) {
      const double average = (static_cast<double>(bytes) / static_cast<double>(frames) -
                              frame->paddingSize) *
                             frame->sampleRate / frame->lengthFactor / 1000.0;
      if (average >= 1.0 && average < 100000.0) kbps = static_cast<unsigned>(std::lround(average));
    }
    break;
  }

  record.channels = std::string(kChannelNames[frame->channelMode]);
  record.bitrate = std::to_string(kbps);
  record.sampleRate = std::to_string(frame->sampleRate);
  record.encoding = std::string(kVersionNames[frame->version]) + " " +
                    std::string(kLayerNames[frame->layer]);
}

void ReadMpegStream(const std::string& path, TagInfo& record) {
  auto source = FileSource::open(path);
  if (source) ReadMpegStream(*source, record);
}

}  // namespace youran
