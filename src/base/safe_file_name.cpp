#include "base/safe_file_name.h"

#include "base/text_encoding.h"

namespace youran {

namespace {

constexpr std::size_t kMaxComponentBytes = 255;

bool forbidden(uint32_t cp) {
  if (cp < 0x20 || cp == 0x7f) return true;
  switch (cp) {
    case '/': case '\\': case '<': case '>': case ':': case '"': case '|': case '?': case '*':
      return true;
    default:
      return false;
  }
}

}  // namespace

std::string safeFileName(std::string_view name, std::string_view suffix, std::size_t reserved) {
  const std::size_t taken = suffix.size() + reserved + kCompanionRoom;
  const std::size_t room = kMaxComponentBytes > taken ? kMaxComponentBytes - taken : 1;
  std::string out;
  out.reserve(std::min(name.size(), room) + suffix.size());
  for (std::size_t i = 0; i < name.size();) {
    uint32_t cp = 0;
    std::size_t len = decodeUtf8Char(name, i, cp);
    std::string_view piece = "_";
    if (len == 0) {
      len = 1;
    } else if (!forbidden(cp)) {
      piece = name.substr(i, len);
    }
    if (out.size() + piece.size() > room) break;
    out += piece;
    i += len;
  }
  while (!out.empty() && (out.back() == '.' || out.back() == ' ')) out.pop_back();
  if (out.empty()) out.push_back('_');
  out += suffix;
  return out;
}

}  // namespace youran
