#include "online/cache_limit.h"

#include <algorithm>
#include <charconv>
#include <system_error>

#include "base/log.h"
#include "online/song_cache.h"

namespace youran {

namespace fs = std::filesystem;

namespace {

struct CachedFile {
  fs::path path;
  std::int64_t bytes = 0;
  fs::file_time_type playedAt;
  bool listed = false;
};

fs::path comparable(const fs::path& path) {
  std::error_code ec;
  fs::path absolute = fs::absolute(path, ec);
  return (ec ? path : absolute).lexically_normal();
}

std::set<fs::path> listedSet(const ListedPaths& listed) {
  std::set<fs::path> set;
  for (const auto& path : listed) set.insert(comparable(fs::path(path)));
  return set;
}

std::vector<CachedFile> cachedFiles(const fs::path& dataFolder, const ListedPaths& listed) {
  std::vector<CachedFile> files;
  const std::set<fs::path> names = listedSet(listed);
  std::error_code ec;
  for (fs::directory_iterator it(cacheFolder(dataFolder), ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code fileEc;
    if (!it->is_regular_file(fileEc)) continue;
    CachedFile file;
    file.path = it->path();
    file.bytes = static_cast<std::int64_t>(it->file_size(fileEc));
    file.playedAt = it->last_write_time(fileEc);
    file.listed = names.contains(comparable(file.path));
    files.push_back(std::move(file));
  }
  return files;
}

bool inCacheFolder(const fs::path& dataFolder, const fs::path& path) {
  return comparable(path).parent_path() == comparable(cacheFolder(dataFolder));
}

}  // namespace

std::optional<std::int64_t> cacheLimitBytes(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  std::int64_t megabytes = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), megabytes);
  if (ec != std::errc() || end != text.data() + text.size() || megabytes <= 0) return std::nullopt;
  // A limit beyond any disk is no limit.
  if (megabytes > (std::int64_t{1} << 40)) return std::nullopt;
  return megabytes * 1024 * 1024;
}

CacheUsage measureCache(const fs::path& dataFolder, const ListedPaths& listed) {
  CacheUsage usage;
  for (const auto& file : cachedFiles(dataFolder, listed)) {
    usage.totalBytes += file.bytes;
    if (file.listed) usage.listedBytes += file.bytes;
    ++usage.files;
  }
  return usage;
}

TrimResult trimCache(const fs::path& dataFolder, std::int64_t limitBytes, const ListedPaths& listed) {
  TrimResult result;
  std::vector<CachedFile> files = cachedFiles(dataFolder, listed);
  std::int64_t total = 0, listedBytes = 0;
  for (const auto& file : files) {
    total += file.bytes;
    if (file.listed) listedBytes += file.bytes;
  }
  result.listedOverLimit = listedBytes > limitBytes;
  if (total <= limitBytes) return result;
  std::stable_sort(files.begin(), files.end(),
                   [](const CachedFile& a, const CachedFile& b) { return a.playedAt < b.playedAt; });
  for (const auto& file : files) {
    if (total <= limitBytes) break;
    if (file.listed) continue;
    std::error_code ec;
    if (!fs::remove(file.path, ec) || ec) {
      logWarning("online", "cache: cannot delete " + file.path.string());
      continue;
    }
    total -= file.bytes;
    result.freedBytes += file.bytes;
    ++result.deleted;
  }
  return result;
}

int rowsInCache(const fs::path& dataFolder, const ListedPaths& listed) {
  return static_cast<int>(std::count_if(listed.begin(), listed.end(), [&](const std::string& path) {
    return inCacheFolder(dataFolder, fs::path(path));
  }));
}

int emptyCache(const fs::path& dataFolder) {
  int deleted = 0;
  for (const auto& file : cachedFiles(dataFolder, {})) {
    std::error_code ec;
    if (fs::remove(file.path, ec) && !ec) ++deleted;
  }
  return deleted;
}

void noteCachePlayed(const fs::path& dataFolder, const std::string& path) {
  if (path.empty() || !inCacheFolder(dataFolder, fs::path(path))) return;
  std::error_code ec;
  fs::last_write_time(fs::path(path), fs::file_time_type::clock::now(), ec);
}

}  // namespace youran
