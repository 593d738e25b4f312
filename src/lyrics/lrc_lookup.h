#pragma once

// Lookup of the lyric line of a playing second in LRC text.
//
// The lyric is never parsed into a list: the whole text is searched for the
// position text the player shows ("01:23"). A piece of the text runs from a
// "[" to the next one; the line of a second is what follows the last "]"
// after the last occurrence of the position text in its piece, and when
// several pieces carry the second, the one latest in the file wins. So
// fractions of a tag are ignored, a line keeps the CR LF that ended it, a
// line with several tags shows only at its last one, and a position text in
// the words matches too. Minutes need at least two digits.
//
// Because a later matching piece always replaces an earlier result, only the
// last occurrence in the whole text decides, and a lookup is one backward
// search: no list, no allocation.

#include <cstdint>
#include <string_view>

namespace youran {

// What follows the last occurrence of `key` in `text`; empty when the key
// does not occur.
std::string_view textAfterLast(std::string_view text, std::string_view key);

struct LyricMatch {
  std::string_view line;  // a view into the lyric text; may be empty
  // The time of the matched line in milliseconds: its tag's time when the tag
  // that starts its piece falls in the matched second, else the start of the
  // second. -1 when nothing matched.
  int64_t timeMs = -1;
};

LyricMatch matchLineForPosition(std::string_view positionText, std::string_view lyric);

inline std::string_view findLineForPosition(std::string_view positionText, std::string_view lyric) {
  return matchLineForPosition(positionText, lyric).line;
}

// "mm:ss" (at least two digits each side, as the player formats positions)
// in milliseconds, or -1.
int64_t positionTextToMs(std::string_view positionText);

// The earliest time tag of the text later than `afterMs`, or -1. Tags read
// as "[" minutes ":" seconds, optionally "." and a fraction, then "]".
int64_t nextTagTimeMs(std::string_view lyric, int64_t afterMs);

// The karaoke sweep of a line sung from `startMs` to `endMs` at `positionMs`:
// 0..100. A line without a known end sweeps over `fallbackMs`.
int karaokeProgress(int64_t startMs, int64_t endMs, int64_t positionMs, int64_t fallbackMs = 4000);

}  // namespace youran
