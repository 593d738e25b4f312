#include "playlist/list_text_codec.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/text_encoding.h"

namespace youran {

namespace {

// Two-byte GB18030: lead 0x81..0xFE, trail 0x40..0x7E or 0x80..0xFE.
constexpr unsigned kLeadFirst = 0x81;
constexpr unsigned kLeadCount = 0xFE - 0x81 + 1;
constexpr unsigned kTrailFirst = 0x40;
constexpr unsigned kTrailSpan = 0xFE - 0x40 + 1;

bool isTrail(unsigned char t) { return t >= 0x40 && t <= 0xFE && t != 0x7F; }

struct Tables {
  std::vector<uint16_t> toUnicode;  // by (lead - 0x81) * kTrailSpan + (trail - 0x40); 0 = none
  std::vector<uint16_t> toGb;       // by BMP code point: lead << 8 | trail; 0 = none
};

void learn(Tables& t, unsigned lead, unsigned trail, uint32_t cp) {
  if (cp == 0 || cp >= 0x10000) return;
  t.toUnicode[(lead - kLeadFirst) * kTrailSpan + (trail - kTrailFirst)] = static_cast<uint16_t>(cp);
  if (t.toGb[cp] == 0) t.toGb[cp] = static_cast<uint16_t>(lead << 8 | trail);
}

Tables buildTables() {
  Tables t;
  t.toUnicode.assign(kLeadCount * kTrailSpan, 0);
  t.toGb.assign(0x10000, 0);
  // One conversion per lead byte; every code of the two-byte plane maps to
  // exactly one character, so the output splits back into the codes.
  for (unsigned lead = kLeadFirst; lead <= 0xFE; ++lead) {
    std::string row;
    std::vector<unsigned> trails;
    for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
      if (!isTrail(static_cast<unsigned char>(trail))) continue;
      row.push_back(static_cast<char>(lead));
      row.push_back(static_cast<char>(trail));
      trails.push_back(trail);
    }
    auto utf8 = gb18030ToUtf8(row);
    std::vector<uint32_t> cps;
    if (utf8) {
      for (size_t i = 0; i < utf8->size();) {
        uint32_t cp = static_cast<unsigned char>((*utf8)[i]);
        size_t n = cp < 0x80 ? 1 : decodeUtf8Char(*utf8, i, cp);
        if (n == 0) break;
        cps.push_back(cp);
        i += n;
      }
    }
    if (cps.size() == trails.size()) {
      for (size_t k = 0; k < trails.size(); ++k) learn(t, lead, trails[k], cps[k]);
      continue;
    }
    for (unsigned trail : trails) {  // some code was refused: learn the others one by one
      const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      auto one = gb18030ToUtf8(std::string_view(pair, 2));
      uint32_t cp = 0;
      if (one && !one->empty() && decodeUtf8Char(*one, 0, cp) == one->size()) learn(t, lead, trail, cp);
    }
  }
  return t;
}

const Tables& tables() {
  static const Tables t = buildTables();
  return t;
}

constexpr uint64_t kHighBits = 0x8080808080808080ull;

// Length of the ASCII run at i, eight bytes at a time: list files are
// mostly ASCII paths.
size_t asciiRun(std::string_view s, size_t i) {
  size_t j = i;
  while (j + 8 <= s.size()) {
    uint64_t word;
    std::memcpy(&word, s.data() + j, 8);
    if (word & kHighBits) break;
    j += 8;
  }
  while (j < s.size() && static_cast<unsigned char>(s[j]) < 0x80) ++j;
  return j - i;
}

}  // namespace

std::optional<std::string> listTextToUtf8(std::string_view in) {
  const Tables& t = tables();
  // UTF-8 takes at most three bytes for a two-byte code and four for a
  // four-byte one, so one and a half times the input always fits.
  std::string out(in.size() + in.size() / 2 + 4, '\0');
  char* dst = out.data();
  size_t i = 0;
  while (i < in.size()) {
    if (size_t run = asciiRun(in, i)) {
      std::memcpy(dst, in.data() + i, run);
      dst += run;
      i += run;
      continue;
    }
    auto lead = static_cast<unsigned char>(in[i]);
    if (lead < kLeadFirst || lead > 0xFE || i + 1 >= in.size()) return std::nullopt;
    auto trail = static_cast<unsigned char>(in[i + 1]);
    std::optional<std::string> other;
    if (isTrail(trail)) {
      uint16_t cp = t.toUnicode[(lead - kLeadFirst) * kTrailSpan + (trail - kTrailFirst)];
      i += 2;
      if (cp >= 0x800) {
        *dst++ = static_cast<char>(0xE0 | (cp >> 12));
        *dst++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *dst++ = static_cast<char>(0x80 | (cp & 0x3F));
        continue;
      }
      if (cp >= 0x80) {
        *dst++ = static_cast<char>(0xC0 | (cp >> 6));
        *dst++ = static_cast<char>(0x80 | (cp & 0x3F));
        continue;
      }
      other = gb18030ToUtf8(in.substr(i - 2, 2));
    } else {
      // Four-byte form: lead, 0x30..0x39, 0x81..0xFE, 0x30..0x39.
      if (trail < 0x30 || trail > 0x39 || i + 3 >= in.size()) return std::nullopt;
      other = gb18030ToUtf8(in.substr(i, 4));
      i += 4;
    }
    if (!other) return std::nullopt;
    size_t room = static_cast<size_t>(out.data() + out.size() - dst);
    if (other->size() > room) return std::nullopt;  // iconv gave more than a code can hold
    dst = std::copy(other->begin(), other->end(), dst);
  }
  out.resize(static_cast<size_t>(dst - out.data()));
  return out;
}

char* encodeListText(char* dst, std::string_view in) {
  const uint16_t* toGb = tables().toGb.data();
  const char* p = in.data();
  const char* const end = p + in.size();
  while (p < end) {
    // Eight ASCII bytes at a time: list files are mostly ASCII paths.
    while (end - p >= 8) {
      uint64_t word;
      std::memcpy(&word, p, 8);
      if (word & kHighBits) break;
      std::memcpy(dst, &word, 8);
      p += 8;
      dst += 8;
    }
    if (p == end) break;
    auto c = static_cast<unsigned char>(*p);
    if (c < 0x80) {
      *dst++ = static_cast<char>(c);
      ++p;
      continue;
    }
    // Chinese text is three-byte UTF-8 throughout: decode it here, and
    // leave every other form to the general decoder.
    if ((c & 0xF0) == 0xE0 && end - p >= 3 && (p[1] & 0xC0) == 0x80 && (p[2] & 0xC0) == 0x80) {
      uint32_t cp = (c & 0x0Fu) << 12 | (static_cast<unsigned char>(p[1]) & 0x3Fu) << 6 |
                    (static_cast<unsigned char>(p[2]) & 0x3Fu);
      uint16_t gb = (cp >= 0x800 && (cp < 0xD800 || cp > 0xDFFF)) ? toGb[cp] : 0;
      if (gb != 0) {
        *dst++ = static_cast<char>(gb >> 8);
        *dst++ = static_cast<char>(gb & 0xFF);
        p += 3;
        continue;
      }
    }
    const size_t i = static_cast<size_t>(p - in.data());
    uint32_t cp = 0;
    size_t n = decodeUtf8Char(in, i, cp);
    if (n == 0) {
      *dst++ = '?';
      ++p;
      continue;
    }
    uint16_t gb = cp < 0x10000 ? toGb[cp] : 0;
    if (gb != 0) {
      *dst++ = static_cast<char>(gb >> 8);
      *dst++ = static_cast<char>(gb & 0xFF);
    } else {
      // Four bytes for a character of two or more UTF-8 bytes: within bounds.
      std::string four = utf8ToGb18030(in.substr(i, n));
      if (four.size() > 2 * n) four.resize(2 * n);
      dst = std::copy(four.begin(), four.end(), dst);
    }
    p += n;
  }
  return dst;
}

void appendListText(std::string& out, std::string_view in) {
  size_t start = out.size();
  out.resize(start + maxListTextBytes(in.size()));
  char* end = encodeListText(out.data() + start, in);
  out.resize(static_cast<size_t>(end - out.data()));
}

}  // namespace youran
