#include "lyrics/lyric_file.h"

#include "base/atomic_file.h"
#include "base/safe_file_name.h"
#include "base/text_encoding.h"

namespace youran {

namespace {

std::string_view untilZero(std::string_view bytes) {
  const size_t zero = bytes.find('\0');
  return zero == std::string_view::npos ? bytes : bytes.substr(0, zero);
}

// UTF-16 units up to the first zero unit, as bytes.
std::string_view utf16UntilZero(std::string_view bytes) {
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    if (bytes[i] == '\0' && bytes[i + 1] == '\0') return bytes.substr(0, i);
  }
  return bytes;
}

std::string gb18030ByLines(std::string_view bytes) {
  if (auto whole = gb18030ToUtf8(bytes)) return std::move(*whole);
  std::string out;
  out.reserve(bytes.size() * 3 / 2);
  while (!bytes.empty()) {
    size_t end = bytes.find('\n');
    end = end == std::string_view::npos ? bytes.size() : end + 1;
    const std::string_view line = bytes.substr(0, end);
    if (auto decoded = gb18030ToUtf8(line)) {
      out += *decoded;
    } else {
      out += latin1ToUtf8(line);
    }
    bytes.remove_prefix(end);
  }
  return out;
}

std::string utf8ToUtf16(std::string_view utf8, bool bigEndian) {
  std::string out;
  out.reserve(utf8.size() * 2);
  const auto unit = [&](uint32_t u) {
    const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
    out += bigEndian ? hi : lo;
    out += bigEndian ? lo : hi;
  };
  for (size_t i = 0; i < utf8.size();) {
    uint32_t cp = 0;
    const size_t n = decodeUtf8Char(utf8, i, cp);
    if (n == 0) {
      cp = 0xFFFD;
      i += 1;
    } else {
      i += n;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      unit(0xD800 | (cp >> 10));
      unit(0xDC00 | (cp & 0x3FF));
    } else {
      unit(cp);
    }
  }
  return out;
}

}  // namespace

std::string_view lyricEncodingName(LyricEncoding encoding) {
  switch (encoding) {
    case LyricEncoding::utf8: return "UTF-8";
    case LyricEncoding::utf8Bom: return "UTF-8 BOM";
    case LyricEncoding::utf16le: return "UTF-16LE";
    case LyricEncoding::utf16be: return "UTF-16BE";
    case LyricEncoding::gb18030: return "GB18030";
  }
  return "UTF-8";
}

DecodedLyric decodeLyricBytes(std::string_view bytes) {
  DecodedLyric out;
  const auto startsWith = [&](std::string_view prefix) { return bytes.substr(0, prefix.size()) == prefix; };
  if (startsWith("\xEF\xBB\xBF")) {
    out.encoding = LyricEncoding::utf8Bom;
    bytes.remove_prefix(3);
  } else if (startsWith("\xFF\xFE") || startsWith(std::string_view("[\0", 2))) {
    out.encoding = LyricEncoding::utf16le;
    if (bytes[0] != '[') bytes.remove_prefix(2);
  } else if (startsWith("\xFE\xFF") || startsWith(std::string_view("\0[", 2))) {
    out.encoding = LyricEncoding::utf16be;
    if (bytes[0] != '\0') bytes.remove_prefix(2);
  }
  switch (out.encoding) {
    case LyricEncoding::utf16le:
    case LyricEncoding::utf16be:
      out.text = utf16ToUtf8(utf16UntilZero(bytes), out.encoding == LyricEncoding::utf16be);
      return out;
    case LyricEncoding::utf8Bom: {
      const std::string_view text = untilZero(bytes);
      out.text = isValidUtf8(text) ? std::string(text) : gb18030ByLines(text);
      return out;
    }
    default:
      break;
  }
  const std::string_view text = untilZero(bytes);
  if (isValidUtf8(text)) {
    out.text.assign(text);
    out.encoding = LyricEncoding::utf8;
  } else {
    out.text = gb18030ByLines(text);
    out.encoding = LyricEncoding::gb18030;
  }
  return out;
}

std::filesystem::path lyricFilePath(const std::filesystem::path& dataFolder, std::string_view displayName) {
  const std::string name = safeFileName(displayName, ".lrc");
  return dataFolder / "Lyrics" / std::filesystem::path(std::u8string(name.begin(), name.end()));
}

DecodedLyric readLyricFile(const std::filesystem::path& path) {
  auto bytes = readWholeFile(path);
  if (!bytes) return {};
  return decodeLyricBytes(*bytes);
}

std::optional<std::string> writeLyricFile(const std::filesystem::path& path, std::string_view utf8) {
  return writeFileAtomically(path, utf8ToGb18030(utf8));
}

std::optional<std::string> writeLyricFile(const std::filesystem::path& path, std::string_view utf8,
                                          LyricEncoding encoding) {
  switch (encoding) {
    case LyricEncoding::utf8: return writeFileAtomically(path, std::string(utf8));
    case LyricEncoding::utf8Bom: return writeFileAtomically(path, "\xEF\xBB\xBF" + std::string(utf8));
    case LyricEncoding::utf16le: return writeFileAtomically(path, "\xFF\xFE" + utf8ToUtf16(utf8, false));
    case LyricEncoding::utf16be: return writeFileAtomically(path, "\xFE\xFF" + utf8ToUtf16(utf8, true));
    case LyricEncoding::gb18030: break;
  }
  return writeLyricFile(path, utf8);
}

}  // namespace youran
