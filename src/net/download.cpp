#include "net/download.h"

#include "base/atomic_file.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "base/log.h"
#include "base/text_trim.h"
#include "net/curl_handle.h"
#include "net/http_headers.h"
#include "net/text_helpers.h"

namespace youran {

namespace {

// Writeback of a song download is started every this many bytes.
constexpr long long kWritebackStep = 8 << 20;

namespace fs = std::filesystem;

constexpr int kMaxRedirects = 10;
constexpr long kConnectTimeoutMs = 15000;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

struct UrlParts {
  std::string host;  // as the Host line carries it: host, or host:port when the URL names a port
};

std::optional<UrlParts> splitUrl(const std::string& url) {
  if (!isHttpUrl(url)) return std::nullopt;
  CURLU* parsed = curl_url();
  if (!parsed) return std::nullopt;
  std::optional<UrlParts> parts;
  char* host = nullptr;
  char* port = nullptr;
  if (curl_url_set(parsed, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
      curl_url_get(parsed, CURLUPART_HOST, &host, 0) == CURLUE_OK) {
    parts.emplace();
    parts->host = host;
    if (curl_url_get(parsed, CURLUPART_PORT, &port, 0) == CURLUE_OK && port) parts->host += std::string(":") + port;
  }
  curl_free(host);
  curl_free(port);
  curl_url_cleanup(parsed);
  return parts;
}

// A Location resolved against the URL it came from.
std::string resolveLocation(const std::string& base, const std::string& location) {
  CURLU* parsed = curl_url();
  if (!parsed) return {};
  std::string resolved;
  char* text = nullptr;
  if (curl_url_set(parsed, CURLUPART_URL, base.c_str(), 0) == CURLUE_OK &&
      curl_url_set(parsed, CURLUPART_URL, location.c_str(), 0) == CURLUE_OK &&
      curl_url_get(parsed, CURLUPART_URL, &text, 0) == CURLUE_OK) {
    resolved = text;
  }
  curl_free(text);
  curl_url_cleanup(parsed);
  return resolved;
}

// The two request texts: a fresh download, and a resume that asks for the
// rest of the .tmp with a Range line.
std::vector<std::string> requestLines(const std::string& host, std::optional<std::int64_t> resumeFrom,
                                      const std::string& cookie) {
  std::vector<std::string> lines;
  if (resumeFrom) {
    lines = {"Host: " + host,
             "Accept: */*",
             "User-Agent: Mozilla/4.0 (compatible; MSIE 5.00; Windows 98)",
             "Range: bytes=" + std::to_string(*resumeFrom) + "-",
             "Pragma: no-cache",
             "Cache-Control: no-cache",
             "Connection: close"};
  } else {
    lines = {"Accept: */*", "Accept-Language: zh-cn", "Host: " + host, "Connection: Keep-Alive"};
  }
  if (!cookie.empty()) lines.push_back("Cookie: " + cookie);
  return lines;
}

// The leading decimal digits of a text ("2000", "1000-2999/3000").
std::optional<std::int64_t> leadingNumber(std::string_view text) {
  std::int64_t number = 0;
  std::size_t digits = 0;
  while (digits < text.size() && digits < 18 && text[digits] >= '0' && text[digits] <= '9') {
    number = number * 10 + (text[digits] - '0');
    ++digits;
  }
  if (digits == 0) return std::nullopt;
  return number;
}

std::optional<std::int64_t> headerNumber(std::string_view block, std::string_view name) {
  std::optional<std::string_view> value = headerValue(block, name);
  return value ? leadingNumber(*value) : std::nullopt;
}

// The first byte a 206 answer carries: "Content-Range: bytes 1000-2999/3000".
std::optional<std::int64_t> contentRangeStart(std::string_view block) {
  std::optional<std::string_view> value = headerValue(block, "Content-Range");
  if (!value || !value->starts_with("bytes")) return std::nullopt;
  return leadingNumber(trimBlanks(value->substr(5)));
}

enum class Stop { kNone, kSizeKnown, kBadStatus, kRedirect, kRangeRefused, kStopped, kStalled, kFileError, kTooLarge };

using Clock = std::chrono::steady_clock;

// One hop of the download: the state its callbacks share.
struct Hop {
  // inputs
  std::string tmpPath;  // empty: keep the body in memory
  bool sizeOnly = false;
  bool resumed = false;
  std::int64_t existing = 0;  // bytes already in the .tmp
  const std::atomic<bool>* stop = nullptr;
  std::atomic<std::int64_t>* totalBytes = nullptr;
  std::atomic<std::int64_t>* downloadedBytes = nullptr;
  std::string* memory = nullptr;
  Clock::duration stallLimit = std::chrono::seconds(15);
  Clock::time_point lastData = Clock::now();
  // collected
  std::string headers;
  bool headersDone = false;
  long status = 0;
  std::optional<std::int64_t> contentLength;
  std::string location;
  File file;
  std::int64_t fileBytes = 0;
  long long fileStart = 0;  // file offset of this hop's first body byte
  long long flushedTo = 0;  // writeback started up to here
  Stop stopped = Stop::kNone;
};

// Decides at the end of the headers what the body is for.
bool onHeadersComplete(Hop& hop) {
  hop.headersDone = true;
  hop.status = 0;
  std::string status = statusTextFromHeaders(hop.headers);
  for (char c : status.substr(0, 3)) hop.status = hop.status * 10 + (c >= '0' && c <= '9' ? c - '0' : 0);
  if (hop.status >= 300 && hop.status < 400) {
    hop.location = locationFromHeaders(hop.headers);
    if (!hop.location.empty()) {
      hop.stopped = Stop::kRedirect;
      return false;
    }
  }
  if (hop.status == 416 && hop.resumed) {
    hop.stopped = Stop::kRangeRefused;
    return false;
  }
  if (hop.status < 200 || hop.status >= 300) {
    hop.stopped = Stop::kBadStatus;
    return false;
  }
  bool restart = false;
  if (hop.resumed && hop.status != 206) {
    // The server ignored the Range: its body is the whole file, so the .tmp
    // starts over instead of growing a second copy behind the first part.
    restart = true;
    hop.existing = 0;
  } else if (hop.resumed) {
    std::optional<std::int64_t> start = contentRangeStart(hop.headers);
    if (start && *start != hop.existing) {
      logWarning("net", "download: the server resumed at the wrong offset");
      hop.stopped = Stop::kBadStatus;
      return false;
    }
  }
  hop.contentLength = headerNumber(hop.headers, "Content-Length");
  hop.totalBytes->store(hop.existing + hop.contentLength.value_or(0));
  hop.downloadedBytes->store(hop.existing);
  if (hop.sizeOnly) {
    hop.stopped = Stop::kSizeKnown;
    return false;
  }
  if (!hop.tmpPath.empty()) {
    hop.file.reset(std::fopen(hop.tmpPath.c_str(), restart || !hop.resumed ? "wb" : "ab"));
    hop.fileStart = restart || !hop.resumed ? 0 : hop.existing;
    hop.flushedTo = hop.fileStart;
    if (!hop.file) {
      logWarning("net", "download: cannot write " + hop.tmpPath);
      hop.stopped = Stop::kFileError;
      return false;
    }
  }
  return true;
}

std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* user) {
  auto* hop = static_cast<Hop*>(user);
  std::string_view line(data, size * count);
  if (line.starts_with("HTTP/")) {
    hop->headers.clear();
    hop->headersDone = false;
  }
  hop->headers.append(line);
  hop->lastData = Clock::now();
  if ((line == "\r\n" || line == "\n") && statusTextFromHeaders(hop->headers).starts_with("1") == false) {
    if (!onHeadersComplete(*hop)) return 0;
  }
  return size * count;
}

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto* hop = static_cast<Hop*>(user);
  std::size_t bytes = size * count;
  if (!hop->headersDone) return 0;
  if (hop->stop && hop->stop->load()) {
    hop->stopped = Stop::kStopped;
    return 0;
  }
  if (hop->file) {
    if (std::fwrite(data, 1, bytes, hop->file.get()) != bytes) {
      hop->stopped = Stop::kFileError;
      return 0;
    }
  } else if (hop->memory) {
    if (hop->memory->size() + bytes > kMaxRequestBodyBytes) {
      hop->stopped = Stop::kTooLarge;
      return 0;
    }
    hop->memory->append(data, bytes);
  }
  hop->lastData = Clock::now();
  hop->fileBytes += static_cast<std::int64_t>(bytes);
  if (hop->file) {
    // The closing fsync then waits only for the last few megabytes.
    const long long offset = hop->fileStart + hop->fileBytes;
    if (offset - hop->flushedTo >= kWritebackStep && std::fflush(hop->file.get()) == 0)
      startWriteback(::fileno(hop->file.get()), hop->flushedTo, offset, kWritebackStep);
  }
  hop->downloadedBytes->store(hop->existing + hop->fileBytes);
  return bytes;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto* hop = static_cast<Hop*>(user);
  if (hop->stop && hop->stop->load()) {
    hop->stopped = Stop::kStopped;
    return 1;
  }
  // curl's own low-speed check averages over several seconds, so a burst
  // followed by silence would pass for far longer than the stall limit.
  if (Clock::now() - hop->lastData > hop->stallLimit) {
    hop->stopped = Stop::kStalled;
    return 1;
  }
  return 0;
}

int codeForCurlFailure(CURLcode code, bool connected) {
  switch (classifyCurlFailure(code, connected)) {
    case CurlFailure::kBadUrl:
      return kDownloadBadUrl;
    case CurlFailure::kNoConnection:
      return kDownloadConnectFailed;
    case CurlFailure::kSendFailed:
      return kDownloadSendFailed;
    case CurlFailure::kOther:
      break;
  }
  return kDownloadReceiveFailed;
}

bool flushToDisk(File& file) {
  if (!file) return true;
  bool ok = std::fflush(file.get()) == 0 && ::fsync(::fileno(file.get())) == 0;
  ok = (std::fclose(file.release()) == 0) && ok;
  return ok;
}

std::optional<std::string> chooseTarget(const std::string& target, bool renameIfExists) {
  std::error_code ec;
  if (!renameIfExists || !fs::exists(target, ec)) return target;
  for (int n = 1; n <= 100; ++n) {
    std::string candidate = numberedFileName(target, n);
    if (!fs::exists(candidate, ec)) return candidate;
  }
  return std::nullopt;
}

}  // namespace

std::string numberedFileName(const std::string& path, int n) {
  std::size_t nameStart = path.find_last_of('/');
  nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
  std::size_t dot = path.rfind('.');
  std::string number = "(" + std::to_string(n) + ")";
  if (dot == std::string::npos || dot < nameStart) return path + number;
  return path.substr(0, dot) + number + path.substr(dot);
}

int downloadFile(const std::string& url, const std::string& targetPath, std::atomic<std::int64_t>& totalBytes,
                 std::atomic<std::int64_t>& downloadedBytes, bool renameIfExists, std::size_t chunkSize,
                 bool sizeOnly, const std::string& cookie, std::string* body, const DownloadOptions& options) {
  totalBytes.store(0);
  downloadedBytes.store(0);
  if (chunkSize == 0) chunkSize = 10240;
  chunkSize = std::clamp<std::size_t>(chunkSize, 1024, CURL_MAX_READ_SIZE);
  if (!splitUrl(url)) return kDownloadBadUrl;

  const bool toMemory = targetPath.empty();
  std::string memory;
  std::string target;
  if (!toMemory) {
    std::optional<std::string> chosen = chooseTarget(targetPath, renameIfExists);
    if (!chosen) {
      logWarning("net", "download: no free name for " + targetPath);
      return kDownloadFileError;
    }
    target = *chosen;
    if (options.savedPath) *options.savedPath = target;
  }
  const std::string tmpPath = toMemory ? std::string() : target + ".tmp";

  std::string currentUrl = url;
  bool freshAfterRefusal = false;
  for (int hopNumber = 0; hopNumber <= kMaxRedirects; ++hopNumber) {
    std::optional<UrlParts> parts = splitUrl(currentUrl);
    if (!parts) return kDownloadBadUrl;
    Hop hop;
    hop.tmpPath = tmpPath;
    hop.sizeOnly = sizeOnly;
    hop.stop = options.stop;
    hop.totalBytes = &totalBytes;
    hop.downloadedBytes = &downloadedBytes;
    hop.memory = toMemory ? &memory : nullptr;
    hop.stallLimit = std::chrono::seconds(std::max(1, options.stallSeconds));
    std::error_code ec;
    if (!toMemory && !freshAfterRefusal && fs::is_regular_file(tmpPath, ec)) {
      hop.resumed = true;
      hop.existing = static_cast<std::int64_t>(fs::file_size(tmpPath, ec));
      if (ec) hop.existing = 0;
    }
    memory.clear();

    CurlEasy handle = newCurlTransfer(options.verifyTls, options.caFile);
    if (!handle) return kDownloadConnectFailed;
    CURL* h = handle.get();
    CurlHeaderList headerList;
    bool ok = true;
    for (const auto& line :
         requestLines(parts->host, hop.resumed ? std::optional(hop.existing) : std::nullopt, cookie)) {
      ok = ok && headerList.append(line);
    }
    ok = ok && headerList.append("Expect:");
    ok = ok && curl_easy_setopt(h, CURLOPT_URL, currentUrl.c_str()) == CURLE_OK &&
         curl_easy_setopt(h, CURLOPT_HTTPHEADER, headerList.get()) == CURLE_OK &&
         curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, onHeader) == CURLE_OK &&
         curl_easy_setopt(h, CURLOPT_HEADERDATA, &hop) == CURLE_OK &&
         curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, onBody) == CURLE_OK &&
         curl_easy_setopt(h, CURLOPT_WRITEDATA, &hop) == CURLE_OK &&
         curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, onProgress) == CURLE_OK &&
         curl_easy_setopt(h, CURLOPT_XFERINFODATA, &hop) == CURLE_OK &&
         curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L) == CURLE_OK &&
         curl_easy_setopt(h, CURLOPT_BUFFERSIZE, static_cast<long>(chunkSize)) == CURLE_OK &&
         curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, kConnectTimeoutMs) == CURLE_OK;
    if (!ok) return kDownloadConnectFailed;

    CURLcode code = curl_easy_perform(h);
    const bool flushed = flushToDisk(hop.file);
    switch (hop.stopped) {
      case Stop::kRedirect:
        currentUrl = resolveLocation(currentUrl, hop.location);
        if (currentUrl.empty()) return kDownloadBadUrl;
        continue;
      case Stop::kRangeRefused:
        // The .tmp already holds more than the file has (or all of it and a
        // crash came before the rename): start over once, whole.
        fs::remove(tmpPath, ec);
        freshAfterRefusal = true;
        --hopNumber;
        continue;
      case Stop::kSizeKnown:
        return kDownloadOk;
      case Stop::kBadStatus:
        return kDownloadBadStatus;
      case Stop::kStopped:
        return kDownloadStopped;
      case Stop::kStalled:
        logWarning("net", "download: no data for " + std::to_string(options.stallSeconds) + " s " + currentUrl);
        return kDownloadReceiveFailed;
      case Stop::kFileError:
        return kDownloadFileError;
      case Stop::kTooLarge:
        return kDownloadReceiveFailed;
      case Stop::kNone:
        break;
    }
    if (!flushed) {
      logWarning("net", "download: cannot write " + tmpPath);
      return kDownloadFileError;
    }
    if (!hop.headersDone && code == CURLE_OK) return kDownloadReceiveFailed;
    if (code != CURLE_OK && code != CURLE_PARTIAL_FILE) {
      logWarning("net", std::string("download: ") + curl_easy_strerror(code) + " " + currentUrl);
      return codeForCurlFailure(code, curlConnected(h));
    }

    const std::int64_t have = hop.existing + hop.fileBytes;
    const bool complete = hop.contentLength ? have == totalBytes.load() : code == CURLE_OK;
    if (!hop.contentLength) totalBytes.store(have);
    if (!complete) {
      if (!toMemory) fs::remove(tmpPath, ec);
      return kDownloadIncomplete;
    }
    if (toMemory) {
      if (body) *body = std::move(memory);
      return kDownloadOk;
    }
    if (!hop.file && !fs::exists(tmpPath, ec)) {
      // An empty body never opened the file.
      File empty(std::fopen(tmpPath.c_str(), "wb"));
      if (!empty) return kDownloadFileError;
    }
    fs::rename(tmpPath, target, ec);
    if (ec) {
      logWarning("net", "download: cannot rename " + tmpPath + ": " + ec.message());
      return kDownloadFileError;
    }
    return kDownloadOk;
  }
  return kDownloadBadStatus;
}

}  // namespace youran
