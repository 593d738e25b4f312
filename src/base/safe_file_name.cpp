#include "base/safe_file_name.h"

#include <algorithm>

#include "base/text_encoding.h"

namespace youran {

namespace {

constexpr size_t kMaxComponentBytes = 255;

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

std::string safeFileName(std::string_view name, std::string_view suffix) {
  const size_t room = kMaxComponentBytes > suffix.size() ? kMaxComponentBytes - suffix.size() : 1;
  std::string out;
  out.reserve(std::min(name.size(), room) + suffix.size());
  for (size_t i = 0; i < name.size();) {
    uint32_t cp = 0;
    size_t len = decodeUtf8Char(name, i, cp);
    std::string piece;
    if (len == 0) {
      piece = "_";
      len = 1;
    } else if (forbidden(cp)) {
      piece = "_";
    } else {
      piece.assign(name.substr(i, len));
    }
    if (out.size() + piece.size() > room) break;
    out += piece;
    i += len;
  }
  if (std::all_of(out.begin(), out.end(), [](char c) { return c == '.'; })) {
    out.assign(std::max<size_t>(out.size(), 1), '_');
  }
  out += suffix;
  return out;
}

}  // namespace youran
