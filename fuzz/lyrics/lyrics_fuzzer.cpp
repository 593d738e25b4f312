// The lyric decoder and the lookup of a playing second. The first four bytes
// choose the position, the rest is the file. Besides not crashing, the lookup
// must agree with the plain algorithm it shortcuts (split at every "[", and
// let every piece that holds the position text replace the result), and the
// decoded text must be valid UTF-8 without a zero byte. The parsed lyric's
// lines are in time order, the line at the position is the last one not
// after it, and an offset written into the text reads back. The bytes are
// also read as an ID3v2 SYLT frame.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/text_encoding.h"
#include "base/time_text.h"
#include "lyrics/lrc_document.h"
#include "lyrics/lrc_lookup.h"
#include "tags/embedded_lyrics.h"
#include "lyrics/lyric_file.h"

namespace {

std::string_view plainLookup(std::string_view position, std::string_view lyric) {
  std::string_view result;
  size_t start = 0;
  while (start <= lyric.size()) {
    size_t end = lyric.find('[', start);
    if (end == std::string_view::npos) end = lyric.size();
    const std::string_view piece = lyric.substr(start, end - start);
    if (piece.find(position) != std::string_view::npos) {
      result = youran::textAfterLast(youran::textAfterLast(piece, position), "]");
    }
    start = end + 1;
  }
  return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const uint32_t raw = data[0] | data[1] << 8 | data[2] << 16 | static_cast<uint32_t>(data[3]) << 24;
  const long long positionMs = raw % (200u * 60u * 1000u);
  const std::string_view bytes(reinterpret_cast<const char*>(data + 4), size - 4);

  const youran::DecodedLyric lyric = youran::decodeLyricBytes(bytes);
  if (!youran::isValidUtf8(lyric.text) || lyric.text.find('\0') != std::string::npos) std::abort();

  for (const std::string_view text : {std::string_view(lyric.text), bytes}) {
    const std::string position = youran::formatMinutesSeconds(positionMs / 1000);
    const youran::LyricMatch match = youran::matchLineForPosition(position, text);
    if (match.line != plainLookup(position, text)) std::abort();
    if (!match.line.empty()) {
      if (match.line.data() < text.data() || match.line.data() + match.line.size() > text.data() + text.size())
        std::abort();
      if (match.line.find('[') != std::string_view::npos) std::abort();
    }
    const long long next = youran::nextTagTimeMs(text, match.timeMs);
    if (next != -1 && next <= match.timeMs) std::abort();
    const int progress = youran::karaokeProgress(match.timeMs, next, positionMs);
    if (progress < 0 || progress > 100) std::abort();
  }
  const youran::LrcDocument doc = youran::LrcDocument::parse(lyric.text);
  const auto& lines = doc.lines();
  for (size_t i = 1; i < lines.size(); ++i) {
    if (lines[i].timeMs <= lines[i - 1].timeMs) std::abort();
  }
  const youran::LrcMoment m = doc.at(positionMs);
  if (m.index >= 0) {
    if (lines[static_cast<size_t>(m.index)].timeMs > positionMs) std::abort();
    if (m.endMs != -1 && m.endMs <= positionMs) std::abort();
    const int p = youran::LrcDocument::progress(lines[static_cast<size_t>(m.index)], m, positionMs);
    if (p < 0 || p > 100 || m.wordFraction < 0 || m.wordFraction > 1) std::abort();
  } else if (!lines.empty() && lines.front().timeMs <= positionMs) {
    std::abort();
  }
  const long long offset = static_cast<long long>(raw % 20001) - 10000;
  if (youran::LrcDocument::parse(youran::withLrcOffset(lyric.text, offset)).offsetMs() != offset) std::abort();

  const std::string lrc = youran::SyltToLrc(bytes);
  if (!youran::isValidUtf8(lrc)) std::abort();
  return 0;
}
