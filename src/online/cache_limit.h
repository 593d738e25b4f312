#pragma once

// The size limit of the song cache (Setting.ini, Online/CacheLimitMB; empty
// or 0: no limit, the default). Over the limit, cached songs that no
// playlist row names are deleted, least recently played first; a song the
// list still names is only ever deleted by emptying the cache on purpose.
// A song's modification time stands for its last play: the download sets
// it, and every play of a cached song renews it.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace youran {

inline constexpr std::string_view kOnlineCacheLimit = "CacheLimitMB";

// The limit in bytes; nothing when the text is empty, 0 or not a number.
std::optional<std::int64_t> cacheLimitBytes(std::string_view settingText);

struct CacheUsage {
  std::int64_t totalBytes = 0;
  std::int64_t listedBytes = 0;  // of the files a playlist row names
  int files = 0;
};

// Paths as the playlist rows hold them; compared after making them absolute.
using ListedPaths = std::vector<std::string>;

CacheUsage measureCache(const std::filesystem::path& dataFolder, const ListedPaths& listed);

struct TrimResult {
  int deleted = 0;
  std::int64_t freedBytes = 0;
  // The files the list names alone are larger than the limit.
  bool listedOverLimit = false;
};

// Deletes unlisted cache files, least recently played first, until the
// cache fits the limit or only listed files are left.
TrimResult trimCache(const std::filesystem::path& dataFolder, std::int64_t limitBytes, const ListedPaths& listed);

// The number of rows that name a file in the cache (a file listed twice
// counts twice): the rows that would lose their file if it were emptied.
int rowsInCache(const std::filesystem::path& dataFolder, const ListedPaths& listed);

// Deletes every file in the cache folder; the number deleted.
int emptyCache(const std::filesystem::path& dataFolder);

// Marks a cached song as just played; a path outside the cache is left alone.
void noteCachePlayed(const std::filesystem::path& dataFolder, const std::string& path);

}  // namespace youran
