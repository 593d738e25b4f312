#include "playlist/list_text_codec.h"

#include <algorithm>
#include <array>
#include <cstdint>
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

size_t asciiRun(std::string_view s, size_t i) {
  size_t j = i;
  while (j < s.size() && static_cast<unsigned char>(s[j]) < 0x80) ++j;
  return j - i;
}

}  // namespace

std::optional<std::string> listTextToUtf8(std::string_view in) {
  const Tables& t = tables();
  std::string out;
  out.reserve(in.size() + in.size() / 2);
  size_t i = 0;
  while (i < in.size()) {
    if (size_t run = asciiRun(in, i)) {
      out.append(in.substr(i, run));
      i += run;
      continue;
    }
    auto lead = static_cast<unsigned char>(in[i]);
    if (lead < kLeadFirst || lead > 0xFE || i + 1 >= in.size()) return std::nullopt;
    auto trail = static_cast<unsigned char>(in[i + 1]);
    if (isTrail(trail)) {
      uint16_t cp = t.toUnicode[(lead - kLeadFirst) * kTrailSpan + (trail - kTrailFirst)];
      if (cp != 0) {
        appendUtf8(out, cp);
      } else {
        auto s = gb18030ToUtf8(in.substr(i, 2));
        if (!s) return std::nullopt;
        out += *s;
      }
      i += 2;
      continue;
    }
    // Four-byte form: lead, 0x30..0x39, 0x81..0xFE, 0x30..0x39.
    if (trail < 0x30 || trail > 0x39 || i + 3 >= in.size()) return std::nullopt;
    auto s = gb18030ToUtf8(in.substr(i, 4));
    if (!s) return std::nullopt;
    out += *s;
    i += 4;
  }
  return out;
}

void appendListText(std::string& out, std::string_view in) {
  const Tables& t = tables();
  // GB18030 never needs more than twice the UTF-8 bytes (a two-byte UTF-8
  // character may take four), so write into room made once.
  size_t start = out.size();
  out.resize(start + 2 * in.size());
  char* dst = out.data() + start;
  size_t i = 0;
  while (i < in.size()) {
    auto c = static_cast<unsigned char>(in[i]);
    if (c < 0x80) {
      *dst++ = static_cast<char>(c);
      ++i;
      continue;
    }
    uint32_t cp = 0;
    size_t n = decodeUtf8Char(in, i, cp);
    if (n == 0) {
      *dst++ = '?';
      ++i;
      continue;
    }
    uint16_t gb = cp < 0x10000 ? t.toGb[cp] : 0;
    if (gb != 0) {
      *dst++ = static_cast<char>(gb >> 8);
      *dst++ = static_cast<char>(gb & 0xFF);
    } else {
      std::string four = utf8ToGb18030(in.substr(i, n));
      size_t room = static_cast<size_t>(out.data() + out.size() - dst);
      if (four.size() > room) four.resize(room);  // cannot happen: four bytes for n >= 2
      dst = std::copy(four.begin(), four.end(), dst);
    }
    i += n;
  }
  out.resize(static_cast<size_t>(dst - out.data()));
}

}  // namespace youran
