#include "settings/settings_keys.h"

#include <filesystem>

namespace youran::settings {

std::optional<bool> parseFlag(std::string_view value) {
  if (value == "T") return true;
  if (value == "F") return false;
  return std::nullopt;
}

std::string downloadFolderText(std::string_view chosen) {
  std::string text(chosen);
  if (text.empty()) return text;
  constexpr char sep = std::filesystem::path::preferred_separator;
  while (text.size() > 1 && text.back() == sep && text[text.size() - 2] == sep) text.pop_back();
  if (text.back() != sep) text.push_back(sep);
  return text;
}

}  // namespace youran::settings
