#include "lyrics/lrc_lookup.h"

#include <algorithm>
#include <cstring>

namespace youran {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Reads "m+:ss" and an optional ".f+" at the start of `s`; the fraction is
// scaled to milliseconds whatever its length. `minMinuteDigits` is 2 for
// position texts and tags alike. -1 when `s` does not start that way.
int64_t readTime(std::string_view s, size_t& used) {
  size_t i = 0;
  int64_t minutes = 0;
  while (i < s.size() && isDigit(s[i]) && i < 9) minutes = minutes * 10 + (s[i++] - '0');
  if (i < 2 || i >= s.size() || s[i] != ':') return -1;
  ++i;
  if (i + 2 > s.size() || !isDigit(s[i]) || !isDigit(s[i + 1])) return -1;
  const int64_t seconds = (s[i] - '0') * 10 + (s[i + 1] - '0');
  i += 2;
  int64_t ms = 0;
  if (i < s.size() && s[i] == '.') {
    ++i;
    int64_t scale = 100;
    while (i < s.size() && isDigit(s[i])) {
      ms += (s[i++] - '0') * scale;
      scale /= 10;
    }
  }
  used = i;
  return (minutes * 60 + seconds) * 1000 + ms;
}

}  // namespace

std::string_view textAfterLast(std::string_view text, std::string_view key) {
  const size_t at = text.rfind(key);
  if (at == std::string_view::npos) return {};
  return text.substr(at + key.size());
}

// The last occurrence of `key`, found forwards: the C library's substring
// search is many times faster than a backward compare at every offset.
static size_t findLast(std::string_view text, std::string_view key) {
  size_t last = std::string_view::npos;
  const char* from = text.data();
  const char* const end = text.data() + text.size();
  while (static_cast<size_t>(end - from) >= key.size()) {
    const void* hit = memmem(from, static_cast<size_t>(end - from), key.data(), key.size());
    if (hit == nullptr) break;
    last = static_cast<size_t>(static_cast<const char*>(hit) - text.data());
    from = static_cast<const char*>(hit) + 1;
  }
  return last;
}

LyricMatch matchLineForPosition(std::string_view positionText, std::string_view lyric) {
  if (positionText.empty()) return {};
  const size_t at = findLast(lyric, positionText);
  if (at == std::string_view::npos) return {};
  const size_t afterStart = at + positionText.size();
  size_t pieceEnd = lyric.find('[', afterStart);
  if (pieceEnd == std::string_view::npos) pieceEnd = lyric.size();
  LyricMatch match;
  match.line = textAfterLast(lyric.substr(afterStart, pieceEnd - afterStart), "]");

  const int64_t second = positionTextToMs(positionText);
  const size_t open = at == 0 ? std::string_view::npos : lyric.rfind('[', at - 1);
  const size_t pieceStart = open == std::string_view::npos ? 0 : open + 1;
  size_t used = 0;
  const int64_t tag = readTime(lyric.substr(pieceStart), used);
  match.timeMs = (second >= 0 && tag >= second && tag < second + 1000) ? tag : std::max<int64_t>(second, 0);
  return match;
}

int64_t positionTextToMs(std::string_view positionText) {
  size_t used = 0;
  const int64_t ms = readTime(positionText, used);
  return ms >= 0 && used == positionText.size() ? ms : -1;
}

int64_t nextTagTimeMs(std::string_view lyric, int64_t afterMs) {
  int64_t best = -1;
  for (size_t open = lyric.find('['); open != std::string_view::npos; open = lyric.find('[', open + 1)) {
    size_t used = 0;
    const std::string_view rest = lyric.substr(open + 1);
    const int64_t t = readTime(rest, used);
    if (t < 0 || used >= rest.size() || rest[used] != ']') continue;
    if (t > afterMs && (best < 0 || t < best)) best = t;
  }
  return best;
}

int karaokeProgress(int64_t startMs, int64_t endMs, int64_t positionMs, int64_t fallbackMs) {
  if (startMs < 0 || positionMs <= startMs) return 0;
  const int64_t span = endMs > startMs ? endMs - startMs : std::max<int64_t>(fallbackMs, 1);
  const int64_t p = (positionMs - startMs) * 100 / span;
  return static_cast<int>(std::clamp<int64_t>(p, 0, 100));
}

}  // namespace youran
