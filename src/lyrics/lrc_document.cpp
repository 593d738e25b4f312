#include "lyrics/lrc_document.h"

#include <algorithm>
#include <charconv>

#include "lyrics/lrc_lookup.h"

namespace youran {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

bool startsWithKey(std::string_view tag, std::string_view key) {
  if (tag.size() <= key.size() || tag[key.size()] != ':') return false;
  for (size_t i = 0; i < key.size(); ++i) {
    if ((tag[i] | 0x20) != key[i]) return false;
  }
  return true;
}

// "+500", "-250", "300" in milliseconds; false leaves `out` alone.
bool parseOffset(std::string_view value, int64_t& out) {
  value = trimmed(value);
  if (!value.empty() && value.front() == '+') value.remove_prefix(1);
  int64_t ms = 0;
  const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), ms);
  // More than a day either way is no offset anyone meant, and would
  // overflow the line times.
  if (ec != std::errc() || end != value.data() + value.size() || ms > 86400000 || ms < -86400000) return false;
  out = ms;
  return true;
}

struct Entry {
  int64_t tagMs;
  size_t order;
  std::string text;
  std::vector<LrcWord> words;
  int64_t wordsEndMs = -1;
};

// The words of a line's text: "<t>word<t>word<t>"; text before the first
// word tag is a word starting with the line.
void splitWords(std::string_view text, int64_t lineMs, Entry& e) {
  if (text.find('<') == std::string_view::npos) {
    e.text.assign(text);
    return;
  }
  std::vector<LrcWord> words;
  int64_t start = lineMs;
  bool anyTag = false;
  std::string plain;
  size_t i = 0;
  while (i <= text.size()) {
    size_t open = text.find('<', i);
    int64_t t = -1;
    size_t close = std::string_view::npos;
    while (open != std::string_view::npos) {
      close = text.find('>', open);
      if (close == std::string_view::npos) {
        open = std::string_view::npos;
        break;
      }
      t = parseLrcTime(text.substr(open + 1, close - open - 1));
      if (t >= 0) break;
      open = text.find('<', open + 1);
    }
    const std::string_view word = text.substr(i, open == std::string_view::npos ? std::string_view::npos : open - i);
    if (!word.empty()) {
      words.push_back({start, std::string(word)});
      plain += word;
    }
    if (open == std::string_view::npos) break;
    anyTag = true;
    start = t;
    i = close + 1;
    if (i == text.size()) e.wordsEndMs = t;
  }
  e.text = std::move(plain);
  if (anyTag) e.words = std::move(words);
}

}  // namespace

int64_t parseLrcTime(std::string_view tag) {
  tag = trimmed(tag);
  size_t i = 0;
  int64_t minutes = 0;
  while (i < tag.size() && isDigit(tag[i]) && i < 6) minutes = minutes * 10 + (tag[i++] - '0');
  if (i == 0 || i >= tag.size() || tag[i] != ':') return -1;
  ++i;
  const size_t secondsAt = i;
  int64_t seconds = 0;
  while (i < tag.size() && isDigit(tag[i]) && i - secondsAt < 2) seconds = seconds * 10 + (tag[i++] - '0');
  if (i == secondsAt || seconds >= 60) return -1;
  int64_t ms = 0;
  if (i < tag.size() && (tag[i] == '.' || tag[i] == ':')) {
    ++i;
    const size_t fractionAt = i;
    int64_t scale = 100;
    while (i < tag.size() && isDigit(tag[i])) {
      ms += (tag[i++] - '0') * scale;
      scale /= 10;
    }
    if (i == fractionAt) return -1;
  }
  if (i != tag.size()) return -1;
  return (minutes * 60 + seconds) * 1000 + ms;
}

LrcDocument LrcDocument::parse(std::string_view text) {
  LrcDocument doc;
  std::vector<Entry> entries;
  std::string plain;
  size_t order = 0;
  while (!text.empty()) {
    // LF, CR LF, and the CR alone of old Mac editors all end a line.
    const size_t end = text.find_first_of("\r\n");
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    line = trimmed(line);

    std::vector<int64_t> times;
    bool metadata = false;
    while (!line.empty() && line.front() == '[') {
      const size_t close = line.find(']');
      if (close == std::string_view::npos) break;
      const std::string_view tag = line.substr(1, close - 1);
      const int64_t t = parseLrcTime(tag);
      if (t >= 0) {
        times.push_back(t);
      } else if (times.empty() && tag.find(':') != std::string_view::npos) {
        // ti, ar, al, by, offset: a line of its own.
        if (startsWithKey(tag, "offset")) parseOffset(tag.substr(7), doc.offsetMs_);
        metadata = true;
        break;
      } else {
        break;
      }
      line.remove_prefix(close + 1);
    }
    if (metadata) continue;
    line = trimmed(line);
    if (times.empty()) {
      if (!line.empty()) {
        if (!plain.empty()) plain += '\n';
        plain += line;
      }
      continue;
    }
    for (const int64_t t : times) {
      Entry e{t, order++, {}, {}};
      splitWords(line, t, e);
      entries.push_back(std::move(e));
    }
  }
  if (entries.empty()) {
    doc.plainText_ = std::move(plain);
    return doc;
  }
  std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.tagMs < b.tagMs; });
  for (size_t i = 0; i < entries.size();) {
    size_t j = i;
    LrcLine out;
    out.timeMs = entries[i].tagMs - doc.offsetMs_;
    out.text = std::move(entries[i].text);
    out.words = std::move(entries[i].words);
    out.wordsEndMs = entries[i].wordsEndMs;
    for (LrcWord& w : out.words) w.startMs -= doc.offsetMs_;
    if (out.wordsEndMs >= 0) out.wordsEndMs -= doc.offsetMs_;
    for (++j; j < entries.size() && entries[j].tagMs == entries[i].tagMs; ++j) {
      if (j == i + 1) out.translation = std::move(entries[j].text);
      else if (j == i + 2) out.romanization = std::move(entries[j].text);
    }
    doc.lines_.push_back(std::move(out));
    i = j;
  }
  return doc;
}

LrcMoment LrcDocument::at(int64_t positionMs) const {
  LrcMoment m;
  const auto after = std::upper_bound(lines_.begin(), lines_.end(), positionMs,
                                      [](int64_t t, const LrcLine& line) { return t < line.timeMs; });
  if (after == lines_.begin()) return m;
  m.index = static_cast<int>(after - lines_.begin()) - 1;
  const LrcLine& line = lines_[static_cast<size_t>(m.index)];
  m.startMs = line.timeMs;
  m.endMs = after == lines_.end() ? -1 : after->timeMs;
  if (!line.words.empty()) {
    int w = 0;
    while (w + 1 < static_cast<int>(line.words.size()) && line.words[static_cast<size_t>(w) + 1].startMs <= positionMs) ++w;
    m.word = w;
    const int64_t start = line.words[static_cast<size_t>(w)].startMs;
    int64_t end = w + 1 < static_cast<int>(line.words.size()) ? line.words[static_cast<size_t>(w) + 1].startMs
                  : line.wordsEndMs >= 0                        ? line.wordsEndMs
                                                                : m.endMs;
    if (end < 0) end = start + 1000;
    m.wordFraction = positionMs <= start ? 0.0
                     : positionMs >= end ? 1.0
                                         : static_cast<double>(positionMs - start) / static_cast<double>(end - start);
  }
  return m;
}

int64_t LrcDocument::nextChangeMs(int64_t positionMs) const {
  const auto after = std::upper_bound(lines_.begin(), lines_.end(), positionMs,
                                      [](int64_t t, const LrcLine& line) { return t < line.timeMs; });
  return after == lines_.end() ? -1 : after->timeMs;
}

int LrcDocument::progress(const LrcLine& line, const LrcMoment& m, int64_t positionMs, int64_t fallbackMs) {
  if (line.words.empty() || m.word < 0) return karaokeProgress(m.startMs, m.endMs, positionMs, fallbackMs);
  size_t before = 0;
  size_t total = 0;
  for (size_t i = 0; i < line.words.size(); ++i) {
    if (static_cast<int>(i) < m.word) before += line.words[i].text.size();
    total += line.words[i].text.size();
  }
  if (total == 0) return 0;
  const double sung = static_cast<double>(before) +
                      m.wordFraction * static_cast<double>(line.words[static_cast<size_t>(m.word)].text.size());
  return std::clamp(static_cast<int>(sung * 100.0 / static_cast<double>(total)), 0, 100);
}

std::string withLrcOffset(std::string_view text, int64_t offsetMs) {
  std::string out;
  out.reserve(text.size() + 20);
  const std::string tag = offsetMs == 0 ? std::string() : "[offset:" + std::to_string(offsetMs) + "]";
  const std::string_view eol = text.find("\r\n") != std::string_view::npos ? "\r\n" : "\n";
  bool placed = false;
  while (!text.empty()) {
    const size_t end = text.find_first_of("\r\n");
    size_t next = end == std::string_view::npos ? text.size() : end + 1;
    if (end != std::string_view::npos && text[end] == '\r' && next < text.size() && text[next] == '\n') ++next;
    const std::string_view whole = text.substr(0, next);
    text.remove_prefix(next);
    const std::string_view line = trimmed(whole.substr(0, end == std::string_view::npos ? whole.size() : end));
    if (line.size() > 2 && line.front() == '[' && startsWithKey(line.substr(1), "offset")) {
      // Only the tag goes; whatever follows it on the line stays.
      const size_t close = whole.find(']');
      const std::string_view rest = close == std::string_view::npos ? whole.substr(static_cast<size_t>(line.data() - whole.data()) + line.size())
                                                          : whole.substr(close + 1);
      const bool onlyLineEnd = rest.find_first_not_of(" \t\r\n") == std::string_view::npos;
      if (!placed && !tag.empty()) out += tag;
      if (!onlyLineEnd || (!placed && !tag.empty())) out += rest;
      placed = true;
      continue;
    }
    out += whole;
  }
  if (!placed && !tag.empty()) out.insert(0, tag + std::string(eol));
  return out;
}

}  // namespace youran
