#pragma once

// ScanFolder: the audio files below a folder in the order the player adds
// them. A folder's own files come first, grouped by pattern in the order of
// the pattern list, then its subfolders depth first; names are taken in the
// order of their case-folded text, the order the desktop's own file lists
// show. There is no depth limit and no duplicate check, but a folder reached
// again (a link back up the tree, two links to one place) is visited once.

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace youran {

// The open-file dialog's filter and the scan's patterns name the same
// types, in this order: the player's long-standing sixteen, and Opus.
inline constexpr std::array<std::string_view, 17> kAudioExtensions = {
    "mp3", "wma", "ape",  "ogg", "flac", "wav",  "mp4",  "m4a", "mid",
    "mpc", "wave", "cd",  "rm",  "tta",  "aiff", "au",   "opus"};

// "*.mp3,*.wma,...": the scan's pattern list as one text.
std::string scanPatternList();
// The list split at ",".
std::vector<std::string> splitPatterns(std::string_view list);

// A file-name pattern with '*' and '?', compared without ASCII letter case
// as the desktop's file search does ("SONG.MP3" matches "*.mp3").
bool matchesPattern(std::string_view name, std::string_view pattern);

// One of the sixteen types, by its file name.
bool isAudioFileName(std::string_view name);

struct ScanVisitor {
  // Called with folder + name for every matching file.
  std::function<void(std::string path)> file;
  // Called before every file and every subfolder (where the player lets
  // pending window events run). False ends the scan there.
  std::function<bool()> step;
};

struct ScanSummary {
  size_t files = 0;
  size_t folders = 0;         // folders listed, the first one included
  size_t foldersSkipped = 0;  // reached a second time, or unreadable
  bool stopped = false;       // step() asked to end
};

// `folder` gets one trailing separator when it has none, so "/music" and
// "/music/" give the same paths.
ScanSummary scanFolder(std::string folder, const std::vector<std::string>& patterns, bool recursive,
                       const ScanVisitor& visitor);

}  // namespace youran
