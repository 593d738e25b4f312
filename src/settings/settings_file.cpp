#include "settings/settings_file.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "base/atomic_file.h"
#include "base/data_folder.h"
#include "base/log.h"
#include "base/text_encoding.h"
#include "base/text_trim.h"

namespace youran {

namespace {

bool equalNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

// The file as UTF-8 lines without their line ends; none for a missing file.
// `unreadable` is set when the file is there but cannot be read.
std::vector<std::string> readLines(const std::filesystem::path& file, bool* unreadable = nullptr) {
  std::vector<std::string> lines;
  auto bytes = readWholeFile(file);
  if (!bytes) {
    std::error_code ec;
    if (unreadable) *unreadable = std::filesystem::exists(file, ec) || (ec && ec != std::errc::no_such_file_or_directory);
    return lines;
  }
  std::string text;
  if (bytes->starts_with("\xEF\xBB\xBF")) {
    text = bytes->substr(3);
  } else {
    text = legacyTextToUtf8(*bytes);
  }
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

// "[name]" with optional blanks; the name, or nothing for other lines.
std::optional<std::string_view> sectionName(std::string_view line) {
  auto t = trimBlanks(line);
  if (t.size() < 2 || t.front() != '[') return std::nullopt;
  auto close = t.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return trimBlanks(t.substr(1, close - 1));
}

// key and value of a "key=value" line; comments (';') are not keys.
std::optional<std::pair<std::string_view, std::string_view>> keyValue(std::string_view line) {
  auto t = trimBlanks(line);
  if (t.empty() || t.front() == ';') return std::nullopt;
  auto eq = t.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return std::pair{trimBlanks(t.substr(0, eq)), trimBlanks(t.substr(eq + 1))};
}

}  // namespace

std::string readSetting(const std::filesystem::path& file, std::string_view section,
                        std::string_view key) {
  bool inSection = false;
  for (const auto& line : readLines(file)) {
    if (auto name = sectionName(line)) {
      inSection = equalNoCase(*name, section);
      continue;
    }
    if (!inSection) continue;
    if (auto kv = keyValue(line); kv && equalNoCase(kv->first, key)) {
      auto value = kv->second;
      // A value in matching quotes is given without them, as the profile
      // functions do.
      if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
          value.back() == value.front())
        value = value.substr(1, value.size() - 2);
      return std::string(value);
    }
  }
  return {};
}

namespace {

// Puts key=value into `lines`: in place, or below the section's last key,
// or in a new section at the end.
void setLine(std::vector<std::string>& lines, std::string_view section, std::string_view key, std::string_view value) {
  std::string entry = std::string(key) + "=" + std::string(value);

  // Find the section, the key inside it, and the last non-blank line of the
  // section so a new key goes directly below the section's existing keys.
  std::optional<size_t> sectionLine, keyLine, lastInSection;
  bool inSection = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (auto name = sectionName(lines[i])) {
      inSection = !sectionLine && equalNoCase(*name, section);
      if (inSection) {
        sectionLine = i;
        lastInSection = i;
      }
      continue;
    }
    if (!inSection) continue;
    if (!trimBlanks(lines[i]).empty()) lastInSection = i;
    if (auto kv = keyValue(lines[i]); kv && equalNoCase(kv->first, key) && !keyLine) keyLine = i;
  }

  if (keyLine) {
    lines[*keyLine] = entry;
  } else if (sectionLine) {
    lines.insert(lines.begin() + static_cast<long>(*lastInSection) + 1, entry);
  } else {
    lines.push_back("[" + std::string(section) + "]");
    lines.push_back(entry);
  }
}

}  // namespace

bool writeSetting(const std::filesystem::path& file, std::string_view section,
                  std::string_view key, std::string_view value) {
  const std::pair<std::string, std::string> entry{std::string(key), std::string(value)};
  return writeSettings(file, section, {&entry, 1});
}

bool writeSettings(const std::filesystem::path& file, std::string_view section,
                   std::span<const std::pair<std::string, std::string>> entries) {
  // A file that is there but cannot be read is never replaced by one that
  // holds only these keys.
  bool unreadable = false;
  auto lines = readLines(file, &unreadable);
  if (unreadable) {
    logWarning("settings", file.string() + ": cannot be read; not written");
    return false;
  }
  for (const auto& [key, value] : entries) setLine(lines, section, key, value);
  std::string text;
  for (const auto& line : lines) {
    text += line;
    text += "\r\n";
  }
  if (auto failure = writeFileAtomically(file, utf8ToGb18030(text))) {
    logWarning("settings", file.string() + ": " + *failure);
    return false;
  }
  return true;
}

std::filesystem::path settingsFilePath() { return dataPath("Setting.ini"); }

std::string readSetting(std::string_view section, std::string_view key) {
  return readSetting(settingsFilePath(), section, key);
}

bool writeSetting(std::string_view section, std::string_view key, std::string_view value) {
  return writeSetting(settingsFilePath(), section, key, value);
}

std::filesystem::path stateFilePath() { return dataPath("State.ini"); }

std::string readState(std::string_view section, std::string_view key) {
  return readSetting(stateFilePath(), section, key);
}

bool writeState(std::string_view section, std::string_view key, std::string_view value) {
  return writeSetting(stateFilePath(), section, key, value);
}

}  // namespace youran
