#pragma once

// One regular expression run over one text, its matches and groups handed
// out by 1-based index. Patterns follow PCRE2 in UTF mode; the dot also
// matches line breaks, and \w is ASCII-only.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace youran {

class RegexMatcher {
 public:
  // Runs pattern over text and keeps every match (only the first when global
  // is false). With quoteToken, every "#引号" in the pattern stands for a
  // double quote. Returns true when at least one match was found; an invalid
  // pattern finds nothing.
  bool execute(std::string_view pattern, std::string_view text, bool caseSensitive = false, bool multiline = true,
               bool global = true, bool quoteToken = false);

  // The pattern of the last execute, with the quote token already replaced.
  const std::string& pattern() const { return pattern_; }

  // The text of the last execute with its matches replaced: $1..$99 insert a
  // group, $& the match, $` and $' the text before and after it, $$ a "$".
  std::string replace(std::string_view replacement) const;

  int matchCount() const { return static_cast<int>(matches_.size()); }

  // Match matchIndex (1-based); position receives where it starts, as a
  // 0-based character offset, or -1 when there is no such match.
  std::string matchText(int matchIndex, int* position = nullptr) const;

  // Group groupIndex (1-based) of match matchIndex (1-based); empty text and
  // position -1 for a group that took no part in the match.
  std::string subMatch(int matchIndex, int groupIndex, int* position = nullptr) const;

  // Number of groups of that match (the pattern's group count), 0 when there
  // is no such match.
  int subMatchCount(int matchIndex) const;

 private:
  struct Span {
    std::size_t begin = 0;
    std::size_t end = 0;
    bool set = false;
  };
  struct Match {
    Span whole;
    std::vector<Span> groups;
  };

  const Match* matchAt(int matchIndex) const;
  std::string textOf(const Span& span, int* position) const;

  std::string pattern_;
  std::string text_;
  std::vector<Match> matches_;
};

}  // namespace youran
