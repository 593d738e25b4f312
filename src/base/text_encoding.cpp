#include "base/text_encoding.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>

namespace youran {

namespace {

class Iconv {
 public:
  Iconv(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
  ~Iconv() {
    if (ok()) iconv_close(handle_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;

  bool ok() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

  // Converts everything or fails; with `replaceInvalid` an invalid input byte
  // is skipped and `replacement` written in its place.
  std::optional<std::string> convert(std::string_view in, bool replaceInvalid,
                                     std::string_view replacement = "?") {
    std::string out;
    out.resize(in.size() * 2 + 16);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    size_t written = 0;
    while (srcLeft > 0) {
      char* dst = out.data() + written;
      size_t dstLeft = out.size() - written;
      size_t r = iconv(handle_, &src, &srcLeft, &dst, &dstLeft);
      written = out.size() - dstLeft;
      if (r != static_cast<size_t>(-1)) break;
      if (errno == E2BIG) {
        out.resize(out.size() * 2);
        continue;
      }
      // EILSEQ or EINVAL (truncated sequence at the end)
      if (!replaceInvalid) return std::nullopt;
      out.resize(written);
      out.append(replacement);
      written = out.size();
      out.resize(written + srcLeft * 2 + 16);
      ++src;
      --srcLeft;
    }
    // flush any shift state
    char* dst = out.data() + written;
    size_t dstLeft = out.size() - written;
    iconv(handle_, nullptr, nullptr, &dst, &dstLeft);
    written = out.size() - dstLeft;
    out.resize(written);
    return out;
  }

 private:
  iconv_t handle_;
};

}  // namespace

void appendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

size_t decodeUtf8Char(std::string_view s, size_t i, uint32_t& cp) {
  auto c = static_cast<unsigned char>(s[i]);
  if (c < 0x80) {
    cp = c;
    return 1;
  }
  size_t extra;
  if (c >= 0xC2 && c <= 0xDF) {
    extra = 1;
    cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    extra = 2;
    cp = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    extra = 3;
    cp = c & 0x07;
  } else {
    return 0;
  }
  if (s.size() - i <= extra) return 0;
  for (size_t k = 1; k <= extra; ++k) {
    auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  // overlong forms, surrogates and values past U+10FFFF
  if ((extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000) || cp > 0x10FFFF ||
      (cp >= 0xD800 && cp <= 0xDFFF))
    return 0;
  return extra + 1;
}

bool isValidUtf8(std::string_view s) {
  uint32_t cp;
  for (size_t i = 0; i < s.size();) {
    size_t n = decodeUtf8Char(s, i, cp);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::optional<std::string> gb18030ToUtf8(std::string_view bytes) {
  bool ascii = true;
  for (char c : bytes) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) return std::string(bytes);
  Iconv cd("UTF-8", "GB18030");
  if (!cd.ok()) return std::nullopt;
  return cd.convert(bytes, false);
}

std::string utf8ToGb18030(std::string_view utf8) {
  bool ascii = true;
  for (char c : utf8) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) return std::string(utf8);
  Iconv cd("GB18030", "UTF-8");
  if (!cd.ok()) return std::string(utf8);
  return *cd.convert(utf8, true);
}

std::string latin1ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) appendUtf8(out, c);
  return out;
}

std::string utf16ToUtf8(std::string_view bytes, bool bigEndian) {
  std::string out;
  out.reserve(bytes.size());
  auto unit = [&](size_t i) -> uint32_t {
    auto b0 = static_cast<unsigned char>(bytes[i]);
    auto b1 = static_cast<unsigned char>(bytes[i + 1]);
    return bigEndian ? (b0 << 8 | b1) : (b1 << 8 | b0);
  };
  size_t n = bytes.size() & ~size_t{1};
  for (size_t i = 0; i < n; i += 2) {
    uint32_t u = unit(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 3 < n) {
      uint32_t low = unit(i + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        appendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
        i += 2;
        continue;
      }
    }
    if (u >= 0xD800 && u <= 0xDFFF) u = 0xFFFD;
    appendUtf8(out, u);
  }
  return out;
}

std::string legacyTextToUtf8(std::string_view bytes) {
  if (isValidUtf8(bytes)) return std::string(bytes);
  if (auto gb = gb18030ToUtf8(bytes)) return *gb;
  return latin1ToUtf8(bytes);
}

std::string pathDisplayText(std::string_view bytes) {
  if (isValidUtf8(bytes)) return std::string(bytes);
  if (auto gb = gb18030ToUtf8(bytes)) return *gb;
  std::string out;
  for (size_t i = 0; i < bytes.size();) {
    uint32_t cp = 0;
    size_t n = decodeUtf8Char(bytes, i, cp);
    if (n == 0) {
      appendUtf8(out, 0xFFFD);
      ++i;
    } else {
      out.append(bytes.substr(i, n));
      i += n;
    }
  }
  return out;
}

std::optional<std::string> charsetToUtf8(std::string_view bytes, const std::string& charset) {
  Iconv cd("UTF-8", charset.c_str());
  if (!cd.ok()) return std::nullopt;
  return cd.convert(bytes, false);
}

std::string_view stripUtf8Bom(std::string_view bytes) {
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  return bytes;
}

}  // namespace youran
