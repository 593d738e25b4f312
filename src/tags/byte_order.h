#pragma once

// Fixed-width integers out of byte views. Callers check the length first.

#include <cstdint>
#include <string_view>

namespace youran::tagbytes {

inline std::uint8_t u8(std::string_view b, std::size_t at) {
  return static_cast<std::uint8_t>(b[at]);
}
inline std::uint32_t be16(std::string_view b, std::size_t at) {
  return (std::uint32_t{u8(b, at)} << 8) | u8(b, at + 1);
}
inline std::uint32_t be24(std::string_view b, std::size_t at) {
  return (std::uint32_t{u8(b, at)} << 16) | (std::uint32_t{u8(b, at + 1)} << 8) | u8(b, at + 2);
}
inline std::uint32_t be32(std::string_view b, std::size_t at) {
  return (std::uint32_t{u8(b, at)} << 24) | be24(b, at + 1);
}
inline std::uint64_t be64(std::string_view b, std::size_t at) {
  return (std::uint64_t{be32(b, at)} << 32) | be32(b, at + 4);
}
inline std::uint32_t le16(std::string_view b, std::size_t at) {
  return std::uint32_t{u8(b, at)} | (std::uint32_t{u8(b, at + 1)} << 8);
}
inline std::uint32_t le32(std::string_view b, std::size_t at) {
  return le16(b, at) | (le16(b, at + 2) << 16);
}
inline std::uint64_t le64(std::string_view b, std::size_t at) {
  return std::uint64_t{le32(b, at)} | (std::uint64_t{le32(b, at + 4)} << 32);
}
// ID3v2 "syncsafe" integer: four bytes of seven bits each, most significant
// first.
inline std::uint32_t syncsafe32(std::string_view b, std::size_t at) {
  return (std::uint32_t{u8(b, at) & 0x7Fu} << 21) | (std::uint32_t{u8(b, at + 1) & 0x7Fu} << 14) |
         (std::uint32_t{u8(b, at + 2) & 0x7Fu} << 7) | (u8(b, at + 3) & 0x7Fu);
}

}  // namespace youran::tagbytes
