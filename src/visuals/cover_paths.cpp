#include "visuals/cover_paths.h"

#include "base/data_folder.h"

namespace youran {

namespace {

// "d" before the cache's name and ".dpc" after both.
constexpr std::size_t kLongestAffix = 1 + 4;
constexpr std::size_t kNameMax = 255 - kLongestAffix;

bool forbidden(unsigned char c) {
  if (c < 0x20 || c == 0x7F) return true;
  switch (c) {
    case '/': case '\\': case '<': case '>': case ':': case '"': case '|': case '?': case '*':
      return true;
    default:
      return false;
  }
}

}  // namespace

std::string safeCoverName(std::string_view displayName) {
  std::string name;
  name.reserve(displayName.size());
  for (unsigned char c : displayName) name.push_back(forbidden(c) ? '_' : static_cast<char>(c));
  if (name.size() > kNameMax) {
    std::size_t end = kNameMax;
    // Back up to the first byte of a UTF-8 sequence.
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
    name.resize(end);
  }
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
  if (name.empty()) name = "_";
  return name;
}

std::filesystem::path coverCachePath(std::string_view displayName) {
  return dataPath("Pic") / ("d" + safeCoverName(displayName) + ".dpc");
}

std::filesystem::path coverRawPath(std::string_view displayName) {
  return dataPath("Pic") / (safeCoverName(displayName) + ".dpc");
}

}  // namespace youran
