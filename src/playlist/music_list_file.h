#pragma once

// The music list file YRmDefaultList.dll (text despite its name), GB18030:
//
//   [音乐播放器列表文件]CR LF
//   path|row|name|duration|flag CR LF      one line per row, fields in
//   ...                                     TrackEntry column order
//   path|row|name|duration|flag             no CR LF after the last line
//
// "row" is "%3s" of the row number, "flag" is "真" or empty, an unconverted
// row ends in "||". Nothing is escaped; a '|' inside a path or a name is
// found again on load by locating the row-number field (see parseMusicList).

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "playlist/track_list.h"

namespace youran {

inline constexpr std::string_view kMusicListFileName = "YRmDefaultList.dll";
inline constexpr std::string_view kMusicListHeader = "[音乐播放器列表文件]";

// The notice the player shows (with an empty title) for a file whose first
// line is not the header.
inline constexpr std::string_view kMusicListLoadFailedNotice = "列表载入失败！";

// The second line of that notice when the file was kept under another name;
// the new name follows.
inline constexpr std::string_view kMusicListSetAsideNotice = "原列表已改名保存为：";

// dataPath("YRmDefaultList.dll")
std::filesystem::path musicListPath();

enum class MusicListStatus {
  loaded,         // rows appended (possibly none)
  missing,        // no such file: the playlist stays empty, silently
  notAMusicList,  // first line is not the header: notice, playlist untouched
  unreadable,     // the file exists but could not be read (logged)
};

struct MusicListLoad {
  MusicListStatus status = MusicListStatus::missing;
  size_t rowsAdded = 0;
  size_t linesSkipped = 0;       // lines with fewer than five fields
  bool needsConversion = false;  // some loaded row is not "真" yet
};

// The file's bytes for the rows of `list`.
std::string serializeMusicList(const TrackList& list);

// LoadMusicList over bytes already read: checks the header and appends every
// row through the AddTrack rule (stored row numbers are ignored).
MusicListLoad parseMusicList(std::string_view bytes, TrackList& list);

// SaveMusicList: replaces the file atomically. Empty optional on success,
// else the reason (also logged); the old file is then untouched.
std::optional<std::string> saveMusicList(const TrackList& list, const std::filesystem::path& file);

// LoadMusicList: reads `file` and appends its rows to `list`.
MusicListLoad loadMusicList(const std::filesystem::path& file, TrackList& list);

// A list file the player could not read is the user's, not the player's to
// overwrite: before anything is saved in its place it is renamed to
// "<name>.unreadable-YYYYMMDD-HHMMSS" (local time; "-2", "-3"... when that
// exists). The new path, or empty when the rename failed (logged).
std::optional<std::filesystem::path> setAsideUnreadableList(const std::filesystem::path& file);

}  // namespace youran
