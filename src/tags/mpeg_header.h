#pragma once

// The first MPEG audio frame after the ID3v2 tag, and the Xing/Info/VBRI
// header inside it.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "tags/byte_source.h"
#include "tags/tag_info.h"

namespace youran {

struct MpegFrameHeader {
  unsigned version = 0;  // 0 MPEG 2.5, 1 reserved, 2 MPEG 2, 3 MPEG 1
  unsigned layer = 0;    // 0 reserved, 1 Layer III, 2 Layer II, 3 Layer I
  unsigned bitrateKbps = 0;
  unsigned sampleRate = 0;
  unsigned channelMode = 0;
  bool padding = false;
  unsigned lengthFactor = 0;  // bytes per kbit/s per kHz
  unsigned paddingSize = 0;
  unsigned frameLength = 0;
};

// Empty optional when the four bytes are no valid frame header.
std::optional<MpegFrameHeader> ParseMpegFrameHeader(std::string_view fourBytes);

// Fills `encoding`, `bitrate`, `sampleRate`, `channels` and `duration`.
void ReadMpegStream(ByteSource& source, TagInfo& record);
void ReadMpegStream(const std::string& path, TagInfo& record);

}  // namespace youran
