// youranmusic-cli lyrics FILE [--at POS]...
// With positions: for each one, the line the player shows at that moment, its
// translation and the karaoke sweep of it, one JSON object per line. Without:
// the detected encoding and offset, then the lines in time order.

#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command.h"
#include "lyrics/lrc_document.h"
#include "lyrics/lyric_file.h"
#include "tags/embedded_lyrics.h"

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

// "mm:ss.xx", the form of a time tag.
std::string TimeText(long long ms) {
  if (ms < 0) return "-" + TimeText(-ms);
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld.%02lld", ms / 60000, ms / 1000 % 60, ms % 1000 / 10);
  return text;
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
  // An audio file gives the lyric stored in it.
  std::optional<std::string> embedded = youran::ReadEmbeddedLyrics(file);
  const bool fromAudio = embedded.has_value();
  youran::DecodedLyric lyric = fromAudio ? youran::DecodedLyric{std::move(*embedded)} : youran::readLyricFile(file);
  if (lyric.text.empty() && !std::filesystem::exists(file)) {
    std::fprintf(stderr, "lyrics: cannot read %s\n", file.c_str());
    return 1;
  }

  const youran::LrcDocument doc = youran::LrcDocument::parse(lyric.text);
  if (positions.empty()) {
    const std::string encoding = fromAudio ? "embedded" : std::string(youran::lyricEncodingName(lyric.encoding));
    PrintJson({{"encoding", encoding}, {"offset", doc.offsetMs()}});
    for (const youran::LrcLine& line : doc.lines()) {
      PrintJson({{"time", TimeText(line.timeMs)}, {"line", line.text}, {"translation", line.translation}});
    }
    if (!doc.synced() && !doc.plainText().empty()) PrintJson({{"unsynced", doc.plainText()}});
    return 0;
  }

  // What the player shows: the held line, not only a line tagged at that
  // very moment.
  for (const long long ms : positions) {
    const youran::LrcMoment m = doc.at(ms);
    nlohmann::ordered_json out{{"at", TimeText(ms)}};
    if (m.index >= 0) {
      const youran::LrcLine& line = doc.lines()[static_cast<size_t>(m.index)];
      out["line"] = line.text;
      out["translation"] = line.translation;
      out["progress"] = youran::LrcDocument::progress(line, m, ms);
    } else {
      out["line"] = doc.synced() ? std::string() : doc.plainText().substr(0, doc.plainText().find('\n'));
      out["translation"] = "";
      out["progress"] = 0;
    }
    PrintJson(out);
  }
  return 0;
}

}  // namespace

YOURAN_CLI_COMMAND(lyrics, "lyrics", "lyrics FILE [--at POS]...   the lyric line at each position, or the tagged lines",
                   RunLyrics);
