// The song cache's limit: which files go, in which order, and which never.

#include "online/cache_limit.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

#include "online/song_cache.h"
#include "support/temp_folder.h"

namespace youran {
namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kMB = 1024 * 1024;

// A cached song of `megabytes`, last played `minutesAgo`.
fs::path cached(const fs::path& data, const std::string& name, int megabytes, int minutesAgo) {
  fs::create_directories(cacheFolder(data));
  const fs::path file = cacheFolder(data) / name;
  std::ofstream(file, std::ios::binary) << std::string(static_cast<size_t>(megabytes * kMB), 'x');
  fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::minutes(minutesAgo));
  return file;
}

TEST(CacheLimit, LimitTexts) {
  struct Case {
    const char* text;
    std::optional<std::int64_t> bytes;
  };
  const Case kCases[] = {{"", std::nullopt},   {"0", std::nullopt},  {"-5", std::nullopt}, {"abc", std::nullopt},
                         {"12x", std::nullopt}, {"1", kMB},           {" 300 ", 300 * kMB}};
  for (const auto& c : kCases) EXPECT_EQ(cacheLimitBytes(c.text), c.bytes) << c.text;
}

TEST(CacheLimit, UnlistedSongsGoLeastRecentlyPlayedFirst) {
  struct Case {
    const char* name;
    int limitMB;
    std::vector<std::string> expectLeft;
    bool listedOver;
  };
  // old(3 MB, 60 min), mid(3 MB, 30 min, listed), new(3 MB, 10 min), newest(3 MB, 1 min)
  const Case kCases[] = {
      {"fits", 12, {"mid.mp3", "new.mp3", "newest.mp3", "old.mp3"}, false},
      {"one must go", 10, {"mid.mp3", "new.mp3", "newest.mp3"}, false},
      {"two must go", 7, {"mid.mp3", "newest.mp3"}, false},
      {"listed alone too big", 2, {"mid.mp3"}, true},
  };
  for (const auto& c : kCases) {
    testing::TempFolder data;
    cached(data.path(), "old.mp3", 3, 60);
    const fs::path mid = cached(data.path(), "mid.mp3", 3, 30);
    cached(data.path(), "new.mp3", 3, 10);
    cached(data.path(), "newest.mp3", 3, 1);
    const ListedPaths listed = {mid.string(), "/elsewhere/song.flac"};
    const TrimResult result = trimCache(data.path(), c.limitMB * kMB, listed);
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(cacheFolder(data.path())))
      left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, c.expectLeft) << c.name;
    EXPECT_EQ(result.listedOverLimit, c.listedOver) << c.name;
    EXPECT_EQ(result.deleted, 4 - static_cast<int>(c.expectLeft.size())) << c.name;
    const CacheUsage usage = measureCache(data.path(), listed);
    EXPECT_EQ(usage.listedBytes, 3 * kMB) << c.name;
    EXPECT_EQ(usage.files, static_cast<int>(c.expectLeft.size())) << c.name;
  }
}

TEST(CacheLimit, PlayingRenewsASongAndEmptyingCountsRows) {
  testing::TempFolder data;
  const fs::path a = cached(data.path(), "a.mp3", 1, 60);
  const fs::path b = cached(data.path(), "b.mp3", 1, 30);
  noteCachePlayed(data.path(), a.string());
  noteCachePlayed(data.path(), "/elsewhere/b.mp3");  // outside the cache: untouched
  trimCache(data.path(), 1 * kMB, {});
  EXPECT_TRUE(fs::exists(a));
  EXPECT_FALSE(fs::exists(b));

  const fs::path c = cached(data.path(), "c.mp3", 1, 5);
  const ListedPaths rows = {a.string(), "/music/x.flac", a.string(), c.string()};
  EXPECT_EQ(rowsInCache(data.path(), rows), 3);
  EXPECT_EQ(emptyCache(data.path()), 2);
  EXPECT_EQ(measureCache(data.path(), rows).files, 0);
}

}  // namespace
}  // namespace youran
