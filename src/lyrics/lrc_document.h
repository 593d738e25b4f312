#pragma once

// An LRC text parsed into timed lines, and the line shown at a moment.
//
// Every time tag of a line gives it an entry ("[00:39.61][02:26.97]x" is
// sung twice); a tag with no text is an empty line the author meant to show.
// Lines that share a time are one line: the first is the original, the second
// its translation, the third its romanisation (how merged lyrics and the
// fetched lyric with its translation carry them). "[offset:+ms]" moves every
// line earlier by that much. Times read as m:ss, mm:ss.xx, mm:ss.xxx and
// mm:ss:xx (centiseconds). Enhanced word tags "<mm:ss.xx>" inside a line time
// its words for the karaoke sweep. A text without a single time tag is an
// unsynced lyric, kept as plain text.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace youran {

struct LrcWord {
  int64_t startMs = 0;
  std::string text;
};

struct LrcLine {
  int64_t timeMs = 0;  // with the offset applied; may be negative
  std::string text;
  std::string translation;
  std::string romanization;
  std::vector<LrcWord> words;  // empty when the line has no word tags
  // The end of the last word when the line closes it with a bare word tag
  // ("...<00:14.00>"); -1 otherwise (the next line's time ends it).
  int64_t wordsEndMs = -1;
};

// Where a moment falls in a lyric.
struct LrcMoment {
  int index = -1;  // the held line; -1 before the first line
  int64_t startMs = -1;
  int64_t endMs = -1;  // the next line's time; -1 after the last line
  int word = -1;       // the word being sung; -1 without word tags
  double wordFraction = 0;  // 0..1 through that word
};

class LrcDocument {
 public:
  static LrcDocument parse(std::string_view text);

  const std::vector<LrcLine>& lines() const { return lines_; }
  bool synced() const { return !lines_.empty(); }
  int64_t offsetMs() const { return offsetMs_; }
  // The untimed text lines, joined by "\n"; set only when nothing is timed.
  const std::string& plainText() const { return plainText_; }

  LrcMoment at(int64_t positionMs) const;
  // The first line time later than `positionMs`, or -1.
  int64_t nextChangeMs(int64_t positionMs) const;
  // 0..100 of the line sung at `m`: by word, each word's share being its
  // share of the characters (the window weighs words by their drawn width);
  // without word tags the line's time span, over `fallbackMs` when the line
  // has no end.
  static int progress(const LrcLine& line, const LrcMoment& m, int64_t positionMs, int64_t fallbackMs = 4000);

 private:
  std::vector<LrcLine> lines_;
  int64_t offsetMs_ = 0;
  std::string plainText_;
};

// A time tag's inside ("01:02.34", "1:02", "01:02:34") in milliseconds, or -1.
int64_t parseLrcTime(std::string_view tag);

// `text` with its "[offset:]" tag set to `offsetMs` (added at the top when it
// has none, removed when the offset is 0). Line ends are kept.
std::string withLrcOffset(std::string_view text, int64_t offsetMs);

}  // namespace youran
