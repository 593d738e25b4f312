#include "tags/embedded_lyrics.h"

#include <cstdio>
#include <vector>

#include "tags/id3.h"
#include "tags/tag_reader.h"

namespace youran {

namespace {

// The end of a terminated text at `at`: one zero byte for Latin-1 and UTF-8,
// a zero 16-bit unit at an even distance for UTF-16. npos when unterminated.
std::size_t TextEnd(std::string_view s, std::size_t at, bool wide) {
  if (!wide) return s.find('\0', at);
  for (std::size_t i = at; i + 1 < s.size(); i += 2) {
    if (s[i] == '\0' && s[i + 1] == '\0') return i;
  }
  return std::string_view::npos;
}

std::string TimeTag(std::uint32_t ms, char open, char close) {
  char text[32];
  std::snprintf(text, sizeof text, "%c%02u:%02u.%02u%c", open, ms / 60000, ms / 1000 % 60, ms % 1000 / 10, close);
  return text;
}

struct Entry {
  std::uint32_t ms;
  std::string text;
  bool newLine;
};

}  // namespace

std::string SyltToLrc(std::string_view content) {
  // encoding (1), language (3), timestamp format (1), content type (1),
  // descriptor (terminated), then text (terminated) and a 32-bit big-endian
  // time per entry.
  if (content.size() < 6) return {};
  const auto encoding = static_cast<unsigned char>(content[0]);
  if (encoding > 3 || content[4] != 2) return {};  // 2: milliseconds
  const bool wide = encoding == 1 || encoding == 2;
  const std::size_t terminator = wide ? 2 : 1;
  std::size_t at = TextEnd(content, 6, wide);
  if (at == std::string_view::npos) return {};
  at += terminator;

  std::vector<Entry> entries;
  std::string bom;  // UTF-16 with a mark: later texts may omit it
  while (at < content.size()) {
    const std::size_t end = TextEnd(content, at, wide);
    if (end == std::string_view::npos || content.size() - end < terminator + 4) break;
    std::string_view raw = content.substr(at, end - at);
    std::string frame(1, static_cast<char>(encoding));
    if (encoding == 1) {
      if (raw.size() >= 2 && (raw.substr(0, 2) == "\xFF\xFE" || raw.substr(0, 2) == "\xFE\xFF")) bom = raw.substr(0, 2);
      else frame += bom;
    }
    frame += raw;
    std::string text = DecodeId3Text(frame);
    const std::size_t t = end + terminator;
    const auto b = [&](std::size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(content[t + i])); };
    const std::uint32_t ms = b(0) << 24 | b(1) << 16 | b(2) << 8 | b(3);
    const bool newLine = !text.empty() && (text[0] == '\n' || text[0] == '\r');
    while (!text.empty() && (text[0] == '\n' || text[0] == '\r')) text.erase(0, 1);
    entries.push_back({ms, std::move(text), newLine});
    at = t + 4;
  }
  bool syllables = false;
  for (std::size_t i = 1; i < entries.size(); ++i) syllables = syllables || entries[i].newLine;

  std::string lrc;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const Entry& e = entries[i];
    if (!syllables) {
      lrc += TimeTag(e.ms, '[', ']') + e.text + "\n";
      continue;
    }
    if (i == 0 || e.newLine) {
      if (i > 0) lrc += '\n';
      lrc += TimeTag(e.ms, '[', ']');
    }
    lrc += TimeTag(e.ms, '<', '>') + e.text;
  }
  if (syllables && !entries.empty()) lrc += '\n';
  return lrc;
}

std::optional<std::string> ReadEmbeddedLyrics(const std::string& path) {
  TagInfo record;
  ReadOptions options;
  options.picture = false;
  options.streamProperties = false;
  if (!ReadTagsByConversionRule(path, record, options)) return std::nullopt;
  std::string text = std::move(record.lyrics);
  // One line form: the readers give CR LF, LF or CR as the file had it.
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace youran
