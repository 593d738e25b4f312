#include "net/regex_matcher.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <memory>

#include "base/log.h"
#include "net/text_helpers.h"

namespace youran {

namespace {

struct CodeDeleter {
  void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct MatchDataDeleter {
  void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};
struct CompileContextDeleter {
  void operator()(pcre2_compile_context* context) const { pcre2_compile_context_free(context); }
};
struct MatchContextDeleter {
  void operator()(pcre2_match_context* context) const { pcre2_match_context_free(context); }
};
struct JitStackDeleter {
  void operator()(pcre2_jit_stack* stack) const { pcre2_jit_stack_free(stack); }
};

// A global search for an empty-matching pattern over a huge text would
// otherwise keep one record per character.
constexpr std::size_t kMaxMatches = 1u << 20;

bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

int characterOffset(std::string_view text, std::size_t byteOffset) {
  int count = 0;
  for (std::size_t i = 0; i < byteOffset && i < text.size(); ++i) {
    if (!isContinuationByte(text[i])) ++count;
  }
  return count;
}

}  // namespace

bool RegexMatcher::execute(std::string_view pattern, std::string_view text, bool caseSensitive, bool multiline,
                           bool global, bool quoteToken) {
  matches_.clear();
  pattern_ = quoteToken ? expandQuoteToken(pattern) : std::string(pattern);
  text_.assign(text);

  uint32_t options = PCRE2_UTF | PCRE2_MATCH_INVALID_UTF | PCRE2_DOTALL;
  if (multiline) options |= PCRE2_MULTILINE;
  if (!caseSensitive) options |= PCRE2_CASELESS;
  std::unique_ptr<pcre2_compile_context, CompileContextDeleter> compileContext(pcre2_compile_context_create(nullptr));
  if (!compileContext) return false;
  // Answers and lyric files arrive with CR LF as often as with LF.
  pcre2_set_newline(compileContext.get(), PCRE2_NEWLINE_ANYCRLF);

  int errorCode = 0;
  PCRE2_SIZE errorOffset = 0;
  std::unique_ptr<pcre2_code, CodeDeleter> code(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern_.data()),
                                                              pattern_.size(), options, &errorCode, &errorOffset,
                                                              compileContext.get()));
  if (!code) {
    PCRE2_UCHAR message[256];
    pcre2_get_error_message(errorCode, message, sizeof message);
    logWarning("net", "invalid pattern at offset " + std::to_string(errorOffset) + ": " +
                          reinterpret_cast<const char*>(message));
    return false;
  }
  // Without JIT the interpreter does the same work, only slower.
  const bool jit = pcre2_jit_compile(code.get(), PCRE2_JIT_COMPLETE) == 0;

  std::unique_ptr<pcre2_match_data, MatchDataDeleter> data(pcre2_match_data_create_from_pattern(code.get(), nullptr));
  std::unique_ptr<pcre2_match_context, MatchContextDeleter> matchContext(pcre2_match_context_create(nullptr));
  std::unique_ptr<pcre2_jit_stack, JitStackDeleter> jitStack;
  if (!data || !matchContext) return false;
  if (jit) {
    jitStack.reset(pcre2_jit_stack_create(32 * 1024, 1024 * 1024, nullptr));
    if (jitStack) pcre2_jit_stack_assign(matchContext.get(), nullptr, jitStack.get());
  }

  uint32_t groupCount = 0;
  pcre2_pattern_info(code.get(), PCRE2_INFO_CAPTURECOUNT, &groupCount);
  const auto* subject = reinterpret_cast<PCRE2_SPTR>(text_.data());
  const std::size_t length = text_.size();
  std::size_t offset = 0;
  uint32_t matchOptions = 0;
  while (offset <= length) {
    int rc = pcre2_match(code.get(), subject, length, offset, matchOptions, data.get(), matchContext.get());
    if (rc == PCRE2_ERROR_NOMATCH) {
      if (matchOptions == 0) break;
      // The last match was empty and no non-empty one starts there: step
      // over one character and search on.
      matchOptions = 0;
      ++offset;
      while (offset < length && isContinuationByte(text_[offset])) ++offset;
      continue;
    }
    if (rc < 0) {
      logWarning("net", "regular expression stopped with error " + std::to_string(rc));
      break;
    }
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
    // \K inside a look-ahead can report a match that ends before it starts.
    if (ovector[0] > ovector[1]) break;
    Match match;
    match.whole = {ovector[0], ovector[1], true};
    match.groups.resize(groupCount);
    for (uint32_t g = 1; g <= groupCount; ++g) {
      if (static_cast<int>(g) < rc && ovector[2 * g] != PCRE2_UNSET) {
        match.groups[g - 1] = {ovector[2 * g], ovector[2 * g + 1], true};
      }
    }
    matches_.push_back(std::move(match));
    if (!global || matches_.size() >= kMaxMatches) break;
    offset = ovector[1];
    matchOptions = 0;
    if (ovector[0] == ovector[1]) {
      if (ovector[0] == length) break;
      matchOptions = PCRE2_NOTEMPTY_ATSTART | PCRE2_ANCHORED;
    }
  }
  return !matches_.empty();
}

const RegexMatcher::Match* RegexMatcher::matchAt(int matchIndex) const {
  if (matchIndex < 1 || matchIndex > matchCount()) return nullptr;
  return &matches_[static_cast<std::size_t>(matchIndex - 1)];
}

std::string RegexMatcher::textOf(const Span& span, int* position) const {
  if (!span.set) {
    if (position) *position = -1;
    return {};
  }
  if (position) *position = characterOffset(text_, span.begin);
  return text_.substr(span.begin, span.end - span.begin);
}

std::string RegexMatcher::matchText(int matchIndex, int* position) const {
  const Match* match = matchAt(matchIndex);
  return textOf(match ? match->whole : Span{}, position);
}

std::string RegexMatcher::subMatch(int matchIndex, int groupIndex, int* position) const {
  const Match* match = matchAt(matchIndex);
  if (!match || groupIndex < 1 || groupIndex > static_cast<int>(match->groups.size())) {
    return textOf(Span{}, position);
  }
  return textOf(match->groups[static_cast<std::size_t>(groupIndex - 1)], position);
}

int RegexMatcher::subMatchCount(int matchIndex) const {
  const Match* match = matchAt(matchIndex);
  return match ? static_cast<int>(match->groups.size()) : 0;
}

std::string RegexMatcher::replace(std::string_view replacement) const {
  std::string out;
  std::size_t copied = 0;
  for (const Match& match : matches_) {
    out.append(text_, copied, match.whole.begin - copied);
    for (std::size_t i = 0; i < replacement.size(); ++i) {
      char c = replacement[i];
      if (c != '$' || i + 1 == replacement.size()) {
        out.push_back(c);
        continue;
      }
      char next = replacement[i + 1];
      auto isDigit = [](char d) { return d >= '0' && d <= '9'; };
      if (next == '$') {
        out.push_back('$');
        ++i;
      } else if (next == '&') {
        out.append(text_, match.whole.begin, match.whole.end - match.whole.begin);
        ++i;
      } else if (next == '`') {
        out.append(text_, 0, match.whole.begin);
        ++i;
      } else if (next == '\'') {
        out.append(text_, match.whole.end);
        ++i;
      } else if (isDigit(next)) {
        // Two digits when that group exists ("$12"), else one ("$1" then "2");
        // a group the pattern does not have stays literal.
        std::size_t groups = match.groups.size();
        std::size_t one = static_cast<std::size_t>(next - '0');
        std::size_t two = (i + 2 < replacement.size() && isDigit(replacement[i + 2]))
                              ? one * 10 + static_cast<std::size_t>(replacement[i + 2] - '0')
                              : 0;
        std::size_t group = 0;
        std::size_t used = 0;
        if (two >= 1 && two <= groups) {
          group = two;
          used = 2;
        } else if (one >= 1 && one <= groups) {
          group = one;
          used = 1;
        }
        if (used == 0) {
          out.push_back('$');
          continue;
        }
        const Span& span = match.groups[group - 1];
        if (span.set) out.append(text_, span.begin, span.end - span.begin);
        i += used;
      } else {
        out.push_back('$');
      }
    }
    copied = match.whole.end;
  }
  out.append(text_, copied);
  return out;
}

}  // namespace youran
