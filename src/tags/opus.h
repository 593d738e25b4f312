#pragma once

// The two header packets of an Ogg Opus stream (.opus, or Opus in .ogg).

#include <cstdint>
#include <optional>
#include <string_view>

namespace youran {

struct OpusHead {
  unsigned channels = 0;
  std::uint32_t preSkip = 0;    // samples at 48 kHz the decoder drops first
  std::uint32_t inputRate = 0;  // the rate of the source, for information only
};

// "OpusHead", version (1), channels (1), pre-skip (2, LE), input sample rate
// (4, LE), output gain (2), mapping family (1).
std::optional<OpusHead> ParseOpusHead(std::string_view packet);

// The Vorbis comment block of an "OpusTags" packet (no framing bit follows
// it); empty when the packet is not one.
std::string_view OpusCommentBlock(std::string_view packet);

// Opus always decodes at 48 kHz; granule positions count 48 kHz samples.
inline constexpr std::uint32_t kOpusRate = 48000;

}  // namespace youran
