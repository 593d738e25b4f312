#pragma once

// The lyric files of the data folder's Lyrics folder: one per display name,
// read with encoding detection and written in GB18030.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace youran {

enum class LyricEncoding { utf8, utf8Bom, utf16le, utf16be, gb18030 };

std::string_view lyricEncodingName(LyricEncoding encoding);

struct DecodedLyric {
  std::string text;  // UTF-8, ended at the first zero character
  LyricEncoding encoding = LyricEncoding::utf8;
};

// A UTF-8 or UTF-16 byte-order mark, UTF-16 without one when the text starts
// with "[" as a 16-bit unit, then valid UTF-8, else GB18030. Lines that are
// not valid GB18030 either (a broken or foreign file) are read as Latin-1,
// so every byte gives some text and nothing is lost silently to an error.
DecodedLyric decodeLyricBytes(std::string_view bytes);

// folder / "Lyrics" / safe(displayName) + ".lrc"
std::filesystem::path lyricFilePath(const std::filesystem::path& dataFolder, std::string_view displayName);

// The decoded lyric, or empty text when the file is missing or unreadable.
DecodedLyric readLyricFile(const std::filesystem::path& path);

// Replaces the file atomically with `utf8` in GB18030 (an empty text gives
// an empty file). The reason when it failed.
std::optional<std::string> writeLyricFile(const std::filesystem::path& path, std::string_view utf8);
// The same in the given encoding (a file the user had keeps its own).
std::optional<std::string> writeLyricFile(const std::filesystem::path& path, std::string_view utf8,
                                          LyricEncoding encoding);

}  // namespace youran
