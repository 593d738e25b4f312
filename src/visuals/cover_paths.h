#pragma once

// The cover files in the data folder's `Pic`: the raw cover as fetched,
// "Pic/<name>.dpc", which lives only until it is processed, and the cover
// cache "Pic/d<name>.dpc" that later plays read.

#include <filesystem>
#include <string>
#include <string_view>

namespace youran {

// A display name as a file name: directory separators, control characters
// and the characters Windows forbids become "_", "." and ".." cannot leave
// the folder, trailing dots and blanks are dropped, and the result is cut
// (on a UTF-8 boundary) so that the longest file made from it, prefix and
// extension included, fits 255 bytes.
std::string safeCoverName(std::string_view displayName);

std::filesystem::path coverCachePath(std::string_view displayName);
std::filesystem::path coverRawPath(std::string_view displayName);

}  // namespace youran
