#pragma once

// The song downloader: writes into "<target>.tmp", resumes an existing .tmp
// with a Range request, and renames it to the target once it holds every
// byte the server announced.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "net/http_request.h"

namespace youran {

// Result codes of downloadFile; callers treat every non-zero code as failure.
enum DownloadResult : int {
  kDownloadOk = 0,
  kDownloadBadUrl = 1,         // not an http:// or https:// URL
  kDownloadConnectFailed = 2,  // resolve, connect or TLS handshake failed
  kDownloadReceiveFailed = 3,  // the connection broke or stalled; the .tmp is kept for a resume
  kDownloadSendFailed = 4,
  kDownloadIncomplete = 5,     // the body ended before its announced length; the .tmp is deleted
  kDownloadBadStatus = 6,      // the final answer was not a 20x (also too many redirects)
  kDownloadStopped = 7,        // the caller's stop flag was set; the .tmp is kept
  kDownloadFileError = 8,      // the .tmp could not be written or renamed, or no free name was left
  kDownloadRejected = 9,       // complete, but acceptFile refused the bytes; the .tmp is deleted
};

// What the player itself never changes; tests and tools may.
struct DownloadOptions {
  const std::atomic<bool>* stop = nullptr;  // set from any thread to stop cooperatively
  std::string caFile;                       // extra authorities (PEM) for HTTPS
  bool verifyTls = true;
  int stallSeconds = 15;                    // no data for this long aborts with 3
  StallRule stall;                          // too slow for too long also aborts with 3
  TransferDeadline deadline{};              // the whole download (redirects included) ends by then with 3
  // Asked before the .tmp takes the target's name; false deletes the .tmp
  // and the download ends with kDownloadRejected.
  std::function<bool(const std::string& tmpPath)> acceptFile;
  std::string* savedPath = nullptr;         // receives the file written (after renameIfExists)
};

// Downloads url into targetPath. totalBytes receives the size of the whole
// file (the .tmp's earlier part plus what this answer announces) and
// downloadedBytes follows the size of the .tmp as bytes arrive; both may be
// read from another thread while this runs. renameIfExists writes to
// "name(1).ext" .. "name(100).ext" when the target exists. chunkSize 0 means
// 10240. sizeOnly stops after the headers with totalBytes set. An empty
// targetPath keeps the body in *body instead of a file. HTTPS is verified and
// redirects are followed (at most 10).
int downloadFile(const std::string& url, const std::string& targetPath, std::atomic<std::int64_t>& totalBytes,
                 std::atomic<std::int64_t>& downloadedBytes, bool renameIfExists = false,
                 std::size_t chunkSize = 10240, bool sizeOnly = false, const std::string& cookie = {},
                 std::string* body = nullptr, const DownloadOptions& options = {});

// The name renameIfExists tries for attempt n: "(n)" before the last "." of
// the file name, or at its end when it has none.
std::string numberedFileName(const std::string& path, int n);

}  // namespace youran
