// The secondary search and the song download, each beside its peer in the
// same run:
//  - search: the play pages fetched one after the other, ten per pass and
//    two passes of page 0 (as the design does), against ours (both passes'
//    searches together, up to four play pages in flight, none for entries
//    the answer does not have);
//  - download: `curl -o` against downloadFile on the same file.
//
//   online_bench PRIMARY_URL SECONDARY_URL CA_FILE KEYWORD SONG_URL OUT_DIR

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/percent_encoding.h"
#include "net/download.h"
#include "net/http_client.h"
#include "online/secondary_service.h"

namespace {

using Clock = std::chrono::steady_clock;
double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// The design's pass: page 0 twice, ten play pages each, one after the other.
size_t sequentialSearch(const youran::OnlineHosts& hosts, const std::string& keyword) {
  size_t rows = 0;
  for (int pass = 0; pass < 2; ++pass) {
    youran::HttpRequest request;
    request.url = hosts.secondarySearch + youran::secondarySearchPath("0", youran::percentEncodeAll(keyword));
    request.caFile = hosts.caBundle;
    const auto entries = youran::parseSecondarySearch(youran::HttpClient().requestWinInet(request));
    for (int i = 0; i < 10; ++i) {
      const std::string mid = i < static_cast<int>(entries.size()) ? entries[i].mid : std::string();
      youran::HttpRequest page;
      page.url = hosts.secondaryPage + youran::secondaryPagePath(mid);
      page.extraHeaders = youran::kMobileUserAgent;
      page.caFile = hosts.caBundle;
      youran::cutStreamUrl(youran::HttpClient().requestComObject(page));
      ++rows;
    }
  }
  return rows;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 7) {
    std::fputs("usage: online_bench PRIMARY_URL SECONDARY_URL CA_FILE KEYWORD SONG_URL OUT_DIR\n", stderr);
    return 2;
  }
  youran::OnlineHosts hosts;
  hosts.primary = argv[1];
  hosts.secondarySearch = hosts.secondaryPage = argv[2];
  hosts.caBundle = argv[3];
  const std::string keyword = argv[4];
  const std::string songUrl = argv[5];
  const std::filesystem::path out = argv[6];

  auto start = Clock::now();
  const size_t peerRows = sequentialSearch(hosts, keyword);
  const double peer = secondsSince(start);
  start = Clock::now();
  const size_t ourRows = youran::SecondaryService(hosts, 4).search(keyword).size();
  const double ours = secondsSince(start);
  std::printf("secondary search  sequential (peer): %.3f s, %zu rows   ours: %.3f s, %zu rows   goal <= 0.5 s: %s\n",
              peer, peerRows, ours, ourRows, ours <= 0.5 ? "met" : "NOT met");

  // The download runs without the added latency.
  youran::HttpRequest control;
  control.url = hosts.primary + "/_control?delay=0";
  youran::HttpClient().request(control);

  const auto curlFile = out / "curl.bin";
  const auto ourFile = out / "ours.bin";
  std::filesystem::remove(curlFile);
  std::filesystem::remove(ourFile);
  start = Clock::now();
  const std::string curl = "curl -s -o '" + curlFile.string() + "' '" + songUrl + "'";
  if (std::system(curl.c_str()) != 0) return std::fputs("curl failed\n", stderr), 1;
  const double curlSeconds = secondsSince(start);
  // downloadFile makes the file durable before it renames it into place;
  // the same for curl's file, timed on top of its download.
  start = Clock::now();
  const std::string sync = "sync '" + curlFile.string() + "'";
  if (std::system(sync.c_str()) != 0) return std::fputs("sync failed\n", stderr), 1;
  const double curlSyncSeconds = curlSeconds + secondsSince(start);
  std::atomic<std::int64_t> total{0}, done{0};
  start = Clock::now();
  const int code = youran::downloadFile(songUrl, ourFile.string(), total, done);
  const double ourSeconds = secondsSince(start);
  if (code != youran::kDownloadOk) return std::fprintf(stderr, "downloadFile failed: %d\n", code), 1;
  const double mb = static_cast<double>(std::filesystem::file_size(ourFile)) / (1024.0 * 1024.0);
  const double ratio = (mb / ourSeconds) / (mb / curlSeconds);
  std::printf("download %.0f MB  curl -o (peer): %.3f s, %.0f MB/s   ours: %.3f s, %.0f MB/s   ratio %.2f (goal >= 0.9: %s)\n",
              mb, curlSeconds, mb / curlSeconds, ourSeconds, mb / ourSeconds, ratio, ratio >= 0.9 ? "met" : "NOT met");
  std::printf("download %.0f MB  curl -o + sync (peer, same durability): %.3f s, %.0f MB/s   ratio %.2f\n", mb,
              curlSyncSeconds, mb / curlSyncSeconds, curlSyncSeconds / ourSeconds);
  std::filesystem::remove(curlFile);
  std::filesystem::remove(ourFile);
  return 0;
}
