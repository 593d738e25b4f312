#include "tags/opus.h"

#include "tags/byte_order.h"

namespace youran {

std::optional<OpusHead> ParseOpusHead(std::string_view packet) {
  if (packet.size() < 19 || packet.substr(0, 8) != "OpusHead") return std::nullopt;
  OpusHead head;
  head.channels = tagbytes::u8(packet, 9);
  head.preSkip = tagbytes::u8(packet, 10) | (tagbytes::u8(packet, 11) << 8);
  head.inputRate = tagbytes::le32(packet, 12);
  return head;
}

std::string_view OpusCommentBlock(std::string_view packet) {
  if (packet.size() < 8 || packet.substr(0, 8) != "OpusTags") return {};
  return packet.substr(8);
}

}  // namespace youran
