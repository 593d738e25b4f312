#include "online/song_cache.h"

#include <memory>
#include <system_error>
#include <vector>

#include "base/log.h"
#include "base/safe_file_name.h"
#include "base/text_trim.h"
#include "net/download.h"
#include "playback/decode/ffmpeg_decoder.h"

namespace youran {

namespace fs = std::filesystem;

fs::path cacheFolder(const fs::path& dataFolder) { return dataFolder / fs::path(std::u8string(kCacheFolderName.begin(), kCacheFolderName.end())); }

namespace {
fs::path inCache(const fs::path& dataFolder, const std::string& name) {
  const std::string safe = safeFileName(name, ".mp3");
  return cacheFolder(dataFolder) / fs::path(std::u8string(safe.begin(), safe.end()));
}
}  // namespace

std::string resultDisplayName(std::string_view title, std::string_view artist) {
  std::string name(trimBlanks(artist));
  name += '-';
  name += trimBlanks(title);
  return name;
}

fs::path primaryCacheFile(const fs::path& dataFolder, std::string_view title, std::string_view artist) {
  return inCache(dataFolder, std::string(title) + "-" + std::string(artist));
}

fs::path secondaryCacheFile(const fs::path& dataFolder, std::string_view title, std::string_view artist) {
  return inCache(dataFolder, std::string(title) + " - " + std::string(artist));
}

bool decodesAsAudio(const std::string& path) {
  std::unique_ptr<Decoder> decoder = openFfmpegDecoder(DecoderSource{path, {}, {}});
  if (!decoder) return false;
  const StreamFormat format = decoder->format();
  if (format.channels <= 0 || format.rate <= 0) return false;
  std::vector<float> frames(static_cast<std::size_t>(4096) * static_cast<std::size_t>(format.channels));
  int decoded = 0;
  for (int attempt = 0; attempt < 8 && decoded < 1024; ++attempt) {
    const int n = decoder->read(frames.data(), 4096);
    if (n <= 0) break;
    decoded += n;
  }
  if (decoded == 0) logWarning("online", path + " does not decode as audio");
  return decoded > 0;
}

bool acceptablePlayUrl(std::string_view url) { return url.rfind("http://", 0) == 0 || url.rfind("https://", 0) == 0; }

CacheOutcome fetchIntoCache(const CacheRequest& request, CacheProgress& progress, int* downloadCode) {
  std::error_code ec;
  const fs::path folder = request.file.parent_path();
  if (!fs::is_directory(folder, ec)) fs::create_directories(folder, ec);
  if (fs::is_regular_file(request.file, ec)) return CacheOutcome::kCached;
  if (!acceptablePlayUrl(request.url)) return CacheOutcome::kNoUrl;
  DownloadOptions options;
  options.caFile = request.caFile;
  options.stop = request.stop;
  options.deadline = request.deadline;
  options.stall = request.stall;
  options.acceptFile = decodesAsAudio;
  const std::string target = request.file.string();
  const int code = downloadFile(request.url, target, progress.total, progress.done, false, 0, false, {}, nullptr, options);
  if (downloadCode) *downloadCode = code;
  if (code == kDownloadOk) return CacheOutcome::kDownloaded;
  if (code == kDownloadStopped) return CacheOutcome::kStopped;
  logWarning("online", "download of " + request.url + " failed with " + std::to_string(code));
  // A stalled or broken transfer keeps what it got, so the next attempt asks
  // only for the rest; every other failure starts over.
  if (code != kDownloadReceiveFailed) fs::remove(target + ".tmp", ec);
  return CacheOutcome::kFailed;
}

bool copyTrackForDownload(const fs::path& source, std::string_view folderText, std::string_view name,
                          fs::path* written) {
  if (folderText.empty()) return false;
  const std::string target = std::string(folderText) + safeFileName(name, ".mp3");
  std::error_code ec;
  fs::copy_file(source, fs::path(target), fs::copy_options::overwrite_existing, ec);
  if (ec) {
    logWarning("online", "copy to " + target + ": " + ec.message());
    return false;
  }
  if (written) *written = target;
  return true;
}

}  // namespace youran
