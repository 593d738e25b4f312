#include "playlist/list_path.h"

#include <sys/stat.h>

#include "base/percent_encoding.h"
#include "base/text_encoding.h"
#include "playlist/list_text_codec.h"

namespace youran {

namespace {

constexpr char kEscapeMark = '%';

bool exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

bool isAscii(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

}  // namespace

char* encodeListPath(char* out, std::string_view path) {
  const bool utf8 = isValidUtf8(path);
  const bool oneLine = path.find_first_of("\r\n") == std::string_view::npos;
  if (utf8 && oneLine && (path.empty() || path.front() != kEscapeMark)) return encodeListText(out, path);
  if (!utf8 && oneLine && gb18030ToUtf8(path)) {
    for (char c : path) *out++ = c;
    return out;
  }
  std::string escaped(1, kEscapeMark);
  for (size_t i = 0; i < path.size();) {
    uint32_t cp = 0;
    size_t n = decodeUtf8Char(path, i, cp);
    if (n == 0 || path[i] == kEscapeMark || path[i] == '\r' || path[i] == '\n') {
      escaped += percentEncodeAll(path.substr(i, 1));
      ++i;
    } else {
      escaped.append(path.substr(i, n));
      i += n;
    }
  }
  return encodeListText(out, escaped);
}

std::string decodeListPath(std::string_view field) {
  if (field.empty() || field.front() != kEscapeMark) return std::string(field);
  return percentDecode(field.substr(1));
}

std::string resolveStoredPath(const std::string& path) {
  if (isAscii(path) || exists(path) || !isValidUtf8(path)) return path;
  std::string gbk = utf8ToGb18030(path);
  return exists(gbk) ? gbk : path;
}

std::optional<std::string> localPathOfUri(std::string_view uri) {
  constexpr std::string_view kScheme = "file:";
  if (uri.size() < kScheme.size()) return std::nullopt;
  for (size_t i = 0; i < kScheme.size(); ++i)
    if ((uri[i] | 0x20) != kScheme[i]) return std::nullopt;
  uri.remove_prefix(kScheme.size());
  if (uri.starts_with("//")) {
    uri.remove_prefix(2);
    size_t slash = uri.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    std::string_view host = uri.substr(0, slash);
    if (!host.empty() && host != "localhost") return std::nullopt;
    uri.remove_prefix(slash);
  }
  if (!uri.starts_with('/')) return std::nullopt;
  return percentDecode(uri);
}

bool fitsListFile(std::string_view path) {
  return path.find_first_of("\r\n") == std::string_view::npos;
}

}  // namespace youran
