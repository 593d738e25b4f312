// youranmusic-cli lyrics FILE [--at POS]...
// With positions: for each one, the line the player shows at that second and
// the karaoke sweep of it, one JSON object per line. Without: the detected
// encoding, then the time tags in file order with the text each carries.

#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/time_text.h"
#include "cli/command.h"
#include "lyrics/lrc_lookup.h"
#include "lyrics/lyric_file.h"

namespace {

void PrintJson(const nlohmann::ordered_json& line) {
  const std::string text = line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
}

// "mm:ss" (also "m:ss", "mm:ss.xx") or seconds with a fraction ("83.25").
std::optional<long long> ParsePositionMs(std::string_view text) {
  double minutes = 0;
  std::string_view seconds = text;
  if (const size_t colon = text.find(':'); colon != std::string_view::npos) {
    const std::string m(text.substr(0, colon));
    if (m.empty() || m.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    minutes = std::stod(m);
    seconds = text.substr(colon + 1);
  }
  const std::string s(seconds);
  if (s.empty() || s.find_first_not_of("0123456789.") != std::string::npos || s.front() == '.') return std::nullopt;
  char* end = nullptr;
  const double value = std::strtod(s.c_str(), &end);
  if (end == s.c_str() || *end != '\0') return std::nullopt;
  return std::llround((minutes * 60 + value) * 1000);
}

int RunLyrics(std::span<char*> args) {
  std::string file;
  std::vector<long long> positions;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "--at") {
      if (i + 1 >= args.size()) {
        std::fputs("lyrics: --at needs a position\n", stderr);
        return 2;
      }
      const auto ms = ParsePositionMs(args[++i]);
      if (!ms) {
        std::fprintf(stderr, "lyrics: not a position: %s\n", args[i]);
        return 2;
      }
      positions.push_back(*ms);
    } else if (file.empty()) {
      file = arg;
    } else {
      std::fputs("lyrics: one file at a time\n", stderr);
      return 2;
    }
  }
  if (file.empty()) {
    std::fputs("usage: youranmusic-cli lyrics FILE [--at POS]...\n", stderr);
    return 2;
  }
  const youran::DecodedLyric lyric = youran::readLyricFile(file);
  if (lyric.text.empty() && !std::filesystem::exists(file)) {
    std::fprintf(stderr, "lyrics: cannot read %s\n", file.c_str());
    return 1;
  }

  if (positions.empty()) {
    PrintJson({{"encoding", std::string(youran::lyricEncodingName(lyric.encoding))}});
    const std::string_view text = lyric.text;
    for (size_t open = text.find('['); open != std::string_view::npos; open = text.find('[', open + 1)) {
      size_t end = text.find('[', open + 1);
      if (end == std::string_view::npos) end = text.size();
      const std::string_view piece = text.substr(open + 1, end - open - 1);
      const size_t close = piece.find(']');
      if (close == std::string_view::npos) continue;
      const std::string_view tag = piece.substr(0, close);
      const long long ms = youran::positionTextToMs(tag.substr(0, tag.find('.')));
      if (ms < 0) continue;  // ti, ar, offset and the like
      PrintJson({{"tag", std::string(tag)}, {"line", std::string(youran::textAfterLast(piece, "]"))}});
    }
    return 0;
  }

  for (const long long ms : positions) {
    const std::string at = youran::formatMinutesSeconds(ms / 1000);
    const youran::LyricMatch match = youran::matchLineForPosition(at, lyric.text);
    int progress = 0;
    if (!match.line.empty()) {
      progress = youran::karaokeProgress(match.timeMs, youran::nextTagTimeMs(lyric.text, match.timeMs), ms);
    }
    PrintJson({{"at", at}, {"line", std::string(match.line)}, {"progress", progress}});
  }
  return 0;
}

}  // namespace

YOURAN_CLI_COMMAND(lyrics, "lyrics", "lyrics FILE [--at POS]...   the lyric line at each position, or the tagged lines",
                   RunLyrics);
