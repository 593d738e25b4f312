#include "visuals/cover_paths.h"

#include "base/data_folder.h"
#include "base/safe_file_name.h"

namespace youran {

namespace {

// "d" before the cache's name and ".dpc" after both.
constexpr std::size_t kLongestAffix = 1 + 4;

}  // namespace

std::string safeCoverName(std::string_view displayName) { return safeFileName(displayName, {}, kLongestAffix); }

std::filesystem::path coverCachePath(std::string_view displayName) {
  return dataPath("Pic") / ("d" + safeCoverName(displayName) + ".dpc");
}

std::filesystem::path coverRawPath(std::string_view displayName) {
  return dataPath("Pic") / (safeCoverName(displayName) + ".dpc");
}

}  // namespace youran
