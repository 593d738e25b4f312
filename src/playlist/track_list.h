#pragma once

// The playlist rows. Each row carries its own full path, so the list of
// paths (1-based "TrackPaths" in the player's words) and the visible rows can
// never get out of step: there is one vector, not two.

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace youran {

// Column 4 of a row whose tags the conversion pass has read.
inline constexpr std::string_view kConvertedFlag = "真";

struct TrackEntry {
  std::string path;      // 0 "完整路径" (hidden)
  std::string number;    // 1 "ID": "%3s" of the 1-based row
  std::string name;      // 2 "歌曲名": file-name name, or artist-title once converted
  std::string duration;  // 3 "时间": "mm:ss" once converted
  std::string flag;      // 4 "是否已转": "真" once converted

  static constexpr int kColumns = 5;
  const std::string& column(int index) const;
  bool converted() const { return flag == kConvertedFlag; }
  bool operator==(const TrackEntry&) const = default;
};

// "%3s" of a 1-based row number: "  7", " 42", "123", "1234".
std::string rowNumberText(size_t row);

// The name a row shows before its tags are read. Taken literally from the
// player's long-standing rule: drop the last four characters of the path
// (the extension of "song.mp3"), keep the text after the last '/', and in it
// remove the first '.' at or after character k (1-based), k being the number
// of '/'-separated pieces minus one; so "/music/song.flac" gives "song".
// A path that is not UTF-8 is first read as pathDisplayText reads it, so a
// GBK "你好.mp3" gives "你好".
std::string fileNameDisplayName(std::string_view path);

// The rows of 播放列表框. Rows are numbered from 1 as the user sees them
// (`...AtRow`, the "ID" column and every row the player passes around);
// `...AtIndex` takes a 0-based position in the vector. Single-threaded: the UI thread (or the CLI's main
// thread) owns it; the conversion worker only ever sees snapshots of it.
class TrackList {
 public:
  // Plain callbacks the Qt model forwards as its own notifications. Rows
  // are 0-based; every callback is optional and called after the change.
  struct Observer {
    std::function<void(size_t first, size_t count)> rowsInserted;
    std::function<void(size_t first, size_t count)> rowsRemoved;
    std::function<void(size_t first, size_t count)> rowsChanged;
    // Rows went from many places at once: every row may have moved.
    std::function<void()> reset;
  };

  void setObserver(Observer observer) { observer_ = std::move(observer); }

  size_t size() const { return rows_.size(); }
  bool empty() const { return rows_.empty(); }
  const TrackEntry& atIndex(size_t index) const { return rows_[index]; }
  // The row numbered `row`, 1..size().
  const TrackEntry& atRow(size_t row) const { return rows_[row - 1]; }
  bool hasRow(size_t row) const { return row >= 1 && row <= rows_.size(); }
  std::span<const TrackEntry> rows() const { return rows_; }

  // TrackPaths[row]; empty text outside 1..size().
  const std::string& pathAtRow(size_t row) const;

  // AddTrack: appends one row numbered after the last. A converted row
  // ("真") shows the name given. A row still to be converted shows the name
  // given too when there is one (a song from a search is named artist-title
  // at once, and keeps that name through a save and a load until the pass
  // reads its tags), and otherwise its file-name display name.
  void addTrack(std::string path, std::string duration = {}, std::string displayName = {},
                std::string flag = {});

  // Appends rows made by makeEntry in one step (one notification).
  void appendRows(std::vector<TrackEntry> rows);

  // RenumberRows: column 1 of every row becomes "%3s" of its position.
  void renumberRows();

  // Removes one row; false outside the list. The caller renumbers and
  // saves.
  bool removeAtIndex(size_t index);
  bool removeAtRow(size_t row) { return row >= 1 && removeAtIndex(row - 1); }
  // Removes the rows at these indices (any order, each once) in one sweep;
  // indices past the end are ignored. The caller renumbers and saves.
  void removeAtIndices(std::vector<size_t> indices);
  void clear();

  // Writes the converted columns of one row when that row still holds the
  // path they were computed for; false (and nothing changed) otherwise.
  bool setConverted(size_t index, std::string_view path, std::string name, std::string duration,
                    std::string flag);

  // The same file under other bytes (see resolveStoredPath); the row keeps
  // its name and columns.
  void replacePath(size_t index, std::string path);

  void reserve(size_t rows) { rows_.reserve(rows); }

  // The row AddTrack would append as row `row` (1-based).
  static TrackEntry makeEntry(std::string path, std::string duration, std::string displayName,
                              std::string flag, size_t row);

 private:
  std::vector<TrackEntry> rows_;
  Observer observer_;
};

}  // namespace youran
