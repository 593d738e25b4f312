#pragma once

// The cover files in the data folder's `Pic`: the raw cover as fetched,
// "Pic/<name>.dpc", which lives only until it is processed, and the cover
// cache "Pic/d<name>.dpc" that later plays read.

#include <filesystem>
#include <string>
#include <string_view>

namespace youran {

// A display name as the stem of a cover file (base/safe_file_name), cut so
// that the longest file made from it, "d" and ".dpc" included, fits 255 bytes.
std::string safeCoverName(std::string_view displayName);

std::filesystem::path coverCachePath(std::string_view displayName);
std::filesystem::path coverRawPath(std::string_view displayName);

}  // namespace youran
