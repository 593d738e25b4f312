#include "playlist/track_list.h"

#include <algorithm>

#include "base/text_encoding.h"

namespace youran {

namespace {

// Length of the UTF-8 character starting with `lead`; a stray byte counts as
// one character so that any byte string can be walked.
size_t charLength(unsigned char lead) {
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
  if (lead >= 0xC2) return 2;
  return 1;
}

// Byte offsets of the characters of `text`.
std::vector<size_t> charStarts(std::string_view text) {
  std::vector<size_t> starts;
  for (size_t i = 0; i < text.size();) {
    starts.push_back(i);
    i += std::min(charLength(static_cast<unsigned char>(text[i])), text.size() - i);
  }
  return starts;
}

const std::string& emptyText() {
  static const std::string empty;
  return empty;
}

// A line break inside a name would end the row in the music list file,
// which has no escapes for names: a tag with a line break, or a file name
// whose dot removal leaves one, shows a space there (a CR LF pair one space).
std::string oneLine(std::string name) {
  if (name.find_first_of("\r\n") == std::string::npos) return name;
  std::string out;
  for (size_t i = 0; i < name.size(); ++i) {
    bool pair = name[i] == '\r' && i + 1 < name.size() && name[i + 1] == '\n';
    bool lineBreak = name[i] == '\r' || name[i] == '\n';
    out.push_back(lineBreak ? ' ' : name[i]);
    i += pair ? 1 : 0;
  }
  return out;
}

}  // namespace

const std::string& TrackEntry::column(int index) const {
  switch (index) {
    case 0: return path;
    case 1: return number;
    case 2: return name;
    case 3: return duration;
    case 4: return flag;
    default: return emptyText();
  }
}

std::string rowNumberText(size_t row) {
  char digits[24];
  size_t n = 0;
  do {
    digits[n++] = static_cast<char>('0' + row % 10);
    row /= 10;
  } while (row > 0);
  std::string text(n < 3 ? 3 - n : 0, ' ');
  while (n > 0) text.push_back(digits[--n]);
  return text;
}

std::string fileNameDisplayName(std::string_view rawPath) {
  const std::string text = pathDisplayText(rawPath);
  std::string_view path = text;
  auto starts = charStarts(path);
  std::string_view cut = starts.size() > 4 ? path.substr(0, starts[starts.size() - 4]) : "";
  size_t pieces = static_cast<size_t>(std::count(cut.begin(), cut.end(), '/')) + 1;
  auto slash = cut.rfind('/');
  std::string name(slash == std::string_view::npos ? cut : cut.substr(slash + 1));
  size_t k = pieces - 1;  // 1-based character position where the search starts
  auto nameStarts = charStarts(name);
  for (size_t c = k == 0 ? 0 : k - 1; c < nameStarts.size(); ++c) {
    if (name[nameStarts[c]] == '.') {
      name.erase(nameStarts[c], 1);
      break;
    }
  }
  return name;
}

const std::string& TrackList::pathAtRow(size_t row) const {
  if (row == 0 || row > rows_.size()) return emptyText();
  return rows_[row - 1].path;
}

TrackEntry TrackList::makeEntry(std::string path, std::string duration, std::string displayName,
                                std::string flag, size_t row) {
  TrackEntry entry;
  const bool named = flag == kConvertedFlag || !displayName.empty();
  entry.name = oneLine(named ? std::move(displayName) : fileNameDisplayName(path));
  entry.path = std::move(path);
  entry.number = rowNumberText(row);
  // A stray CR in a hand-edited file's last fields would be taken for the
  // line's end once the row is saved last: "真\r" would come back as "真".
  entry.duration = oneLine(std::move(duration));
  entry.flag = oneLine(std::move(flag));
  return entry;
}

void TrackList::addTrack(std::string path, std::string duration, std::string displayName,
                         std::string flag) {
  rows_.push_back(makeEntry(std::move(path), std::move(duration), std::move(displayName),
                            std::move(flag), rows_.size() + 1));
  if (observer_.rowsInserted) observer_.rowsInserted(rows_.size() - 1, 1);
}

void TrackList::appendRows(std::vector<TrackEntry> rows) {
  if (rows.empty()) return;
  size_t first = rows_.size();
  if (rows_.empty()) {
    rows_ = std::move(rows);
  } else {
    rows_.insert(rows_.end(), std::make_move_iterator(rows.begin()),
                 std::make_move_iterator(rows.end()));
  }
  if (observer_.rowsInserted) observer_.rowsInserted(first, rows_.size() - first);
}

void TrackList::renumberRows() {
  size_t firstChanged = rows_.size();
  size_t lastChanged = 0;
  for (size_t i = 0; i < rows_.size(); ++i) {
    std::string number = rowNumberText(i + 1);
    if (rows_[i].number == number) continue;
    rows_[i].number = std::move(number);
    firstChanged = std::min(firstChanged, i);
    lastChanged = i;
  }
  if (firstChanged <= lastChanged && firstChanged < rows_.size() && observer_.rowsChanged)
    observer_.rowsChanged(firstChanged, lastChanged - firstChanged + 1);
}

bool TrackList::removeAtIndex(size_t index) {
  if (index >= rows_.size()) return false;
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(index));
  if (observer_.rowsRemoved) observer_.rowsRemoved(index, 1);
  return true;
}

void TrackList::removeAtIndices(std::vector<size_t> indices) {
  std::sort(indices.begin(), indices.end());
  indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
  while (!indices.empty() && indices.back() >= rows_.size()) indices.pop_back();
  if (indices.empty()) return;
  const bool oneRange = indices.back() - indices.front() + 1 == indices.size();
  size_t out = indices.front();
  size_t next = 0;
  for (size_t in = indices.front(); in < rows_.size(); ++in) {
    if (next < indices.size() && indices[next] == in) {
      ++next;
      continue;
    }
    if (out != in) rows_[out] = std::move(rows_[in]);
    ++out;
  }
  rows_.resize(out);
  if (oneRange) {
    if (observer_.rowsRemoved) observer_.rowsRemoved(indices.front(), indices.size());
  } else if (observer_.reset) {
    observer_.reset();
  }
}

void TrackList::clear() {
  size_t count = rows_.size();
  rows_.clear();
  if (count > 0 && observer_.rowsRemoved) observer_.rowsRemoved(0, count);
}

void TrackList::replacePath(size_t index, std::string path) {
  if (index >= rows_.size()) return;
  rows_[index].path = std::move(path);
  if (observer_.rowsChanged) observer_.rowsChanged(index, 1);
}

bool TrackList::setConverted(size_t index, std::string_view path, std::string name,
                             std::string duration, std::string flag) {
  if (index >= rows_.size() || rows_[index].path != path) return false;
  TrackEntry& row = rows_[index];
  row.name = oneLine(std::move(name));
  row.duration = std::move(duration);
  row.flag = std::move(flag);
  if (observer_.rowsChanged) observer_.rowsChanged(index, 1);
  return true;
}

}  // namespace youran
