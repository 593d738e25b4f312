#pragma once

// Setting.ini: an initialisation file with [section] lines and key=value
// lines, read and written one value at a time with the semantics of the
// classic profile functions. Text is GB18030 with CR LF line ends; a UTF-8
// file with a byte-order mark is read too.

#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace youran {

// Value of `key` in `section` (both compared without letter case), trimmed;
// the empty text when the file, the section or the key is missing.
std::string readSetting(const std::filesystem::path& file, std::string_view section,
                        std::string_view key);

// Replaces the key's line in place, or adds the key at the end of its section
// (and the section at the end of the file); every other line and comment is
// kept. The file is created on the first write and replaced atomically.
// Returns false when the file could not be written (the old one is kept).
bool writeSetting(const std::filesystem::path& file, std::string_view section,
                  std::string_view key, std::string_view value);
// Several keys of one section in one replacement of the file.
bool writeSettings(const std::filesystem::path& file, std::string_view section,
                   std::span<const std::pair<std::string, std::string>> entries);

// The same on the data folder's Setting.ini, its path rebuilt at every call.
std::string readSetting(std::string_view section, std::string_view key);
bool writeSetting(std::string_view section, std::string_view key, std::string_view value);

std::filesystem::path settingsFilePath();

// State.ini beside it, in the same format: what the player remembers that
// is not a setting the user chose ("是否启动播放", "效果设置"). Setting.ini
// never changes because of these.
std::filesystem::path stateFilePath();
std::string readState(std::string_view section, std::string_view key);
bool writeState(std::string_view section, std::string_view key, std::string_view value);

}  // namespace youran
