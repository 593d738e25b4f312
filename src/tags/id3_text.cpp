#include <string>

#include "base/text_encoding.h"
#include "tags/id3.h"

namespace youran {

namespace {

bool IsWide(unsigned char encoding) { return encoding == 1 || encoding == 2; }

// End of the text that starts at `from`: the first zero byte, or for UTF-16
// the first zero byte pair on a character boundary. npos when unterminated.
std::size_t TerminatorAt(std::string_view bytes, unsigned char encoding, std::size_t from = 0) {
  if (!IsWide(encoding)) return bytes.find('\0', from);
  for (std::size_t at = from; at + 1 < bytes.size(); at += 2) {
    if (bytes[at] == '\0' && bytes[at + 1] == '\0') return at;
  }
  return std::string_view::npos;
}

// Drops a descriptor and its terminator; no terminator means no text follows.
std::string_view AfterDescriptor(std::string_view bytes, unsigned char encoding) {
  const std::size_t end = TerminatorAt(bytes, encoding);
  if (end == std::string_view::npos) return {};
  return bytes.substr(end + (IsWide(encoding) ? 2 : 1));
}

std::string DecodeText(std::string_view bytes, unsigned char encoding) {
  bytes = bytes.substr(0, TerminatorAt(bytes, encoding));
  switch (encoding) {
    case 0:
      return legacyTextToUtf8(bytes);
    case 1:
    case 2: {
      bool bigEndian = encoding == 2;
      if (bytes.size() >= 2) {
        const auto b0 = static_cast<unsigned char>(bytes[0]);
        const auto b1 = static_cast<unsigned char>(bytes[1]);
        if (b0 == 0xFF && b1 == 0xFE) {
          bigEndian = false;
          bytes.remove_prefix(2);
        } else if (b0 == 0xFE && b1 == 0xFF) {
          bigEndian = true;
          bytes.remove_prefix(2);
        }
      }
      return utf16ToUtf8(bytes, bigEndian);
    }
    case 3:
      return Utf8ToInternalText(bytes);
    default:
      return {};
  }
}

}  // namespace

std::string DecodeId3Text(std::string_view content, Id3TextLayout layout) {
  if (content.empty()) return {};
  const auto encoding = static_cast<unsigned char>(content[0]);
  if (encoding > 3) return {};
  std::string_view rest = content.substr(1);
  switch (layout) {
    case Id3TextLayout::kText:
      return DecodeText(rest, encoding);
    case Id3TextLayout::kLanguageDescriptorText:
      if (rest.size() < 3) return {};
      return DecodeText(AfterDescriptor(rest.substr(3), encoding), encoding);
    case Id3TextLayout::kDescriptorUrl: {
      // The URL itself is always ISO-8859-1, whatever the descriptor's
      // encoding.
      const std::string_view url = AfterDescriptor(rest, encoding);
      return latin1ToUtf8(url.substr(0, url.find('\0')));
    }
  }
  return {};
}

}  // namespace youran
