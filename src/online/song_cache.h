#pragma once

// The song cache (YouranMusicCache) and the download copy: cache names from
// a result row, the reuse of a cached file, the download into the cache
// with its ".mp3.tmp" cleared on failure, and the copy of a playlist track
// into the download folder.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "net/http_request.h"

namespace youran {

inline constexpr std::string_view kCacheFolderName = "YouranMusicCache";

std::filesystem::path cacheFolder(const std::filesystem::path& dataFolder);
// 歌名 + "-" + 歌手 + ".mp3" (primary) and 歌名 + " - " + 歌手 + ".mp3"
// (secondary), made safe so a title such as "../x" or "a/b" stays inside.
std::filesystem::path primaryCacheFile(const std::filesystem::path& dataFolder, std::string_view title,
                                       std::string_view artist);
std::filesystem::path secondaryCacheFile(const std::filesystem::path& dataFolder, std::string_view title,
                                         std::string_view artist);

// The name a song from a search shows in the playlist at once: 歌手 "-"
// 歌名, as the conversion pass names a tagged file (the cache file's name
// reads the other way round), without the blanks a result may carry.
std::string resultDisplayName(std::string_view title, std::string_view artist);

// Only http:// and https:// play URLs are downloaded.
bool acceptablePlayUrl(std::string_view url);

enum class CacheOutcome {
  kCached,      // the file was there already
  kDownloaded,  // fetched now
  kNoUrl,       // no usable play URL: nothing added, no message
  kFailed,      // the download failed, or its bytes were no audio; its .mp3.tmp is gone
                // unless the transfer only stalled or broke, which a later attempt resumes
  kStopped,     // the player is closing; the .mp3.tmp stays for a resume
};

struct CacheProgress {
  std::atomic<std::int64_t> total{0};
  std::atomic<std::int64_t> done{0};
};

struct CacheRequest {
  std::string url;
  std::filesystem::path file;
  std::string caFile;
  const std::atomic<bool>* stop = nullptr;
  TransferDeadline deadline{};
  StallRule stall;
};

// Whether a file decodes as audio: a few frames are decoded, so a text page
// or an archive served under a song's URL is never kept as a song.
bool decodesAsAudio(const std::string& path);

// The cached file when it exists, else the download of url into it.
CacheOutcome fetchIntoCache(const CacheRequest& request, CacheProgress& progress, int* downloadCode = nullptr);

// The download copy: folderText + name + ".mp3", the folder text used as it
// is (without a trailing separator the copy lands beside the folder, its
// name prefixed by the folder's). The name part is made safe. False when the
// copy failed (no folder text, missing source, no rights).
bool copyTrackForDownload(const std::filesystem::path& source, std::string_view folderText, std::string_view name,
                          std::filesystem::path* written = nullptr);

}  // namespace youran
