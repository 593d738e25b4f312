#include "tags/picture.h"

#include <array>
#include <cstdint>

#include "tags/byte_order.h"

namespace youran {

std::optional<FlacPicture> ParseFlacPicture(std::string_view b) {
  using tagbytes::be32;
  std::size_t at = 0;
  auto lengthAt = [&](std::size_t offset, std::uint32_t& out) {
    if (b.size() < 4 || offset > b.size() - 4) return false;
    out = be32(b, offset);
    return true;
  };
  std::uint32_t type = 0, mime = 0, description = 0, image = 0;
  if (!lengthAt(at, type) || !lengthAt(at + 4, mime)) return std::nullopt;
  at += 8;
  if (mime > b.size() - at) return std::nullopt;
  at += mime;
  if (!lengthAt(at, description)) return std::nullopt;
  at += 4;
  if (description > b.size() - at) return std::nullopt;
  at += description;
  // width, height, colour depth, palette size
  if (b.size() - at < 16) return std::nullopt;
  at += 16;
  if (!lengthAt(at, image)) return std::nullopt;
  at += 4;
  if (image > b.size() - at) return std::nullopt;
  return FlacPicture{type, b.substr(at, image)};
}

std::optional<std::string> DecodeBase64(std::string_view text) {
  static constexpr std::array<std::int8_t, 256> kValues = [] {
    std::array<std::int8_t, 256> v{};
    v.fill(-1);
    constexpr std::string_view kAlphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (std::size_t i = 0; i < kAlphabet.size(); ++i) {
      v[static_cast<unsigned char>(kAlphabet[i])] = static_cast<std::int8_t>(i);
    }
    return v;
  }();
  std::string out;
  out.reserve(text.size() / 4 * 3);
  std::uint32_t bits = 0;
  int count = 0;
  for (char c : text) {
    if (c == '=') break;
    if (c == '\n' || c == '\r' || c == ' ' || c == '\t') continue;
    const int value = kValues[static_cast<unsigned char>(c)];
    if (value < 0) return std::nullopt;
    bits = (bits << 6) | static_cast<std::uint32_t>(value);
    if (++count == 4) {
      out.push_back(static_cast<char>(bits >> 16));
      out.push_back(static_cast<char>(bits >> 8));
      out.push_back(static_cast<char>(bits));
      bits = 0;
      count = 0;
    }
  }
  if (count == 2) {
    out.push_back(static_cast<char>(bits >> 4));
  } else if (count == 3) {
    out.push_back(static_cast<char>(bits >> 10));
    out.push_back(static_cast<char>(bits >> 2));
  } else if (count == 1) {
    return std::nullopt;
  }
  return out;
}

}  // namespace youran
