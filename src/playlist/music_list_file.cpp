#include "playlist/music_list_file.h"

#include <algorithm>
#include <ctime>
#include <vector>

#include "base/atomic_file.h"
#include "base/data_folder.h"
#include "base/log.h"
#include "base/text_encoding.h"
#include "playlist/list_path.h"
#include "playlist/list_text_codec.h"

namespace youran {

namespace {

constexpr std::string_view kLineBreak = "\r\n";

const std::string& headerBytes() {
  static const std::string bytes = [] {
    std::string out;
    appendListText(out, kMusicListHeader);
    return out;
  }();
  return bytes;
}

bool looksLikeRowNumber(std::string_view field) {
  size_t i = 0;
  while (i < field.size() && field[i] == ' ') ++i;
  if (i == field.size()) return false;
  for (; i < field.size(); ++i)
    if (field[i] < '0' || field[i] > '9') return false;
  return true;
}

std::string joinFields(const std::vector<std::string_view>& fields, size_t first, size_t last) {
  std::string out(fields[first]);
  for (size_t i = first + 1; i <= last; ++i) {
    out.push_back('|');
    out.append(fields[i]);
  }
  return out;
}

// Where the path ends when a line has more than five fields: the row-number
// field is one of fields 1..n-4 (the name needs one field, duration and flag
// are always the last two). Preferred, in order: a candidate that makes an
// unconverted row's stored name equal to the name its path gives; one equal
// to the number this row gets; any field of spaces and digits; field 1.
size_t rowNumberField(const std::vector<std::string_view>& fields, std::string_view expected) {
  size_t n = fields.size();
  if (n == 5) return 1;
  bool converted = fields[n - 1] == kConvertedFlag;
  size_t equalToExpected = 0;
  size_t anyNumber = 0;
  for (size_t i = 1; i + 4 <= n; ++i) {
    if (!looksLikeRowNumber(fields[i])) continue;
    if (!converted &&
        fileNameDisplayName(joinFields(fields, 0, i - 1)) == joinFields(fields, i + 1, n - 3))
      return i;
    if (equalToExpected == 0 && fields[i] == expected) equalToExpected = i;
    if (anyNumber == 0) anyNumber = i;
  }
  if (equalToExpected) return equalToExpected;
  return anyNumber ? anyNumber : 1;
}

void splitFields(std::string_view line, std::vector<std::string_view>& fields) {
  fields.clear();
  size_t start = 0;
  for (;;) {
    size_t bar = line.find('|', start);
    if (bar == std::string_view::npos) {
      fields.push_back(line.substr(start));
      return;
    }
    fields.push_back(line.substr(start, bar - start));
    start = bar + 1;
  }
}

// The player writes CR LF; a list edited or written by a Linux tool has LF,
// and a hand-edited one may mix both. A lone CR is part of the line.
std::string_view withoutCr(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

template <typename Fn>
void forEachLine(std::string_view text, Fn&& fn) {
  size_t start = 0;
  for (;;) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) {
      fn(withoutCr(text.substr(start)));
      return;
    }
    fn(withoutCr(text.substr(start, end - start)));
    start = end + 1;
  }
}

}  // namespace

std::filesystem::path musicListPath() { return dataPath(kMusicListFileName); }

namespace {

// The file's bytes in pieces of about a megabyte, each handed to `sink`, so
// that a large list is written while the rest is still being encoded.
template <typename Sink>
void encodeMusicList(const TrackList& list, Sink&& sink) {
  constexpr size_t kPiece = 1 << 20;
  std::string piece(kPiece + 4096, '\0');
  char* at = piece.data();
  auto flush = [&] {
    sink(std::string_view(piece.data(), static_cast<size_t>(at - piece.data())));
    at = piece.data();
  };
  auto room = [&](size_t bytes) {
    if (static_cast<size_t>(piece.data() + piece.size() - at) >= bytes) return;
    flush();
    if (piece.size() < bytes) {  // a row longer than a piece
      piece.assign(bytes, '\0');
      at = piece.data();
    }
  };
  const std::string& header = headerBytes();
  room(header.size());
  at = std::copy(header.begin(), header.end(), at);
  for (const auto& row : list.rows()) {
    room(kLineBreak.size() + 4 + maxListPathBytes(row.path.size()) +
         maxListTextBytes(row.number.size() + row.name.size() + row.duration.size() +
                          row.flag.size()));
    at = std::copy(kLineBreak.begin(), kLineBreak.end(), at);
    at = encodeListPath(at, row.path);
    *at++ = '|';
    at = encodeListText(at, row.number);
    *at++ = '|';
    at = encodeListText(at, row.name);
    *at++ = '|';
    at = encodeListText(at, row.duration);
    *at++ = '|';
    at = encodeListText(at, row.flag);
    if (static_cast<size_t>(at - piece.data()) >= kPiece) flush();
  }
  flush();
}

}  // namespace

std::string serializeMusicList(const TrackList& list) {
  std::string out;
  encodeMusicList(list, [&out](std::string_view piece) { out += piece; });
  return out;
}

MusicListLoad parseMusicList(std::string_view bytes, TrackList& list) {
  MusicListLoad result;
  result.status = MusicListStatus::loaded;
  if (bytes.empty()) return result;  // a file made and never written: an empty list
  size_t headerEnd = bytes.find('\n');
  if (withoutCr(bytes.substr(0, headerEnd)) != headerBytes()) {
    result.status = MusicListStatus::notAMusicList;
    return result;
  }
  if (headerEnd == std::string_view::npos) return result;  // header alone: empty playlist
  std::string_view body = bytes.substr(headerEnd + 1);

  std::vector<TrackEntry> rows;
  rows.reserve(body.size() / 80 + 1);
  std::vector<std::string_view> fields;
  // `pathBytes`: the line as read, for a line that is not GB18030 (its
  // path keeps those bytes; `line` is then only good for the other fields).
  auto addLine = [&](std::string_view line, std::string_view pathBytes = {}) {
    splitFields(line, fields);
    if (fields.size() < 5) {
      ++result.linesSkipped;
      return;
    }
    size_t rowNumber = list.size() + rows.size() + 1;
    size_t n = fields.size();
    size_t numberAt = rowNumberField(fields, rowNumberText(rowNumber));
    std::string path = decodeListPath(joinFields(fields, 0, numberAt - 1));
    if (!pathBytes.empty()) {
      std::vector<std::string_view> rawFields;
      splitFields(pathBytes, rawFields);
      if (rawFields.size() == n) path = joinFields(rawFields, 0, numberAt - 1);
    }
    std::string name = joinFields(fields, numberAt + 1, n - 3);
    rows.push_back(TrackList::makeEntry(std::move(path), std::string(fields[n - 2]),
                                        std::move(name), std::string(fields[n - 1]), rowNumber));
    if (!rows.back().converted()) result.needsConversion = true;
  };

  if (auto text = listTextToUtf8(body)) {
    forEachLine(*text, addLine);
  } else {
    // A hand-edited file with some bytes that are not GB18030: keep every
    // line; an odd line's path keeps its bytes (its name is shown as UTF-8
    // or Latin-1) rather than the row being dropped or its path changed.
    logWarning("playlist", "music list file is not valid GB18030 throughout");
    forEachLine(body, [&](std::string_view raw) {
      if (auto line = listTextToUtf8(raw)) return addLine(*line);
      addLine(legacyTextToUtf8(raw), raw);
    });
  }
  result.rowsAdded = rows.size();
  list.appendRows(std::move(rows));
  return result;
}

std::optional<std::string> saveMusicList(const TrackList& list, const std::filesystem::path& file) {
  AtomicFileWriter writer(file);
  encodeMusicList(list, [&writer](std::string_view piece) { writer.append(piece); });
  auto failure = writer.commit();
  if (failure) logWarning("playlist", "cannot save " + file.string() + ": " + *failure);
  return failure;
}

MusicListLoad loadMusicList(const std::filesystem::path& file, TrackList& list) {
  std::error_code ec;
  if (!std::filesystem::exists(file, ec)) return {};
  auto bytes = readWholeFile(file);
  if (!bytes) {
    logWarning("playlist", "cannot read " + file.string());
    MusicListLoad result;
    result.status = MusicListStatus::unreadable;
    return result;
  }
  auto result = parseMusicList(*bytes, list);
  if (result.status == MusicListStatus::notAMusicList)
    logWarning("playlist", file.string() + " does not start with the music list header");
  return result;
}

std::optional<std::filesystem::path> setAsideUnreadableList(const std::filesystem::path& file) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, ".unreadable-%Y%m%d-%H%M%S", &local);
  std::error_code ec;
  for (int attempt = 1; attempt < 100; ++attempt) {
    std::filesystem::path aside = file;
    aside += stamp;
    if (attempt > 1) aside += "-" + std::to_string(attempt);
    if (std::filesystem::exists(aside, ec)) continue;
    std::filesystem::rename(file, aside, ec);
    if (!ec) {
      logWarning("playlist", "unreadable music list kept as " + aside.string());
      return aside;
    }
    break;
  }
  logWarning("playlist", "cannot set aside " + file.string() + ": " + ec.message());
  return std::nullopt;
}

}  // namespace youran
