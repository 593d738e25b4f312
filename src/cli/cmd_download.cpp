// youranmusic-cli download: fetches a file the way the song cache does,
// resuming a TARGET.tmp left by an earlier, interrupted run.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cinttypes>
#include <csignal>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

#include "cli/command.h"
#include "net/http_client.h"

namespace {

std::atomic<bool> interrupted{false};

void onInterrupt(int) { interrupted = true; }

int download(std::span<char*> args) {
  std::string url;
  std::string target;
  bool rename = false;
  bool sizeOnly = false;
  youran::DownloadOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    if (arg == "--rename") {
      rename = true;
    } else if (arg == "--size-only") {
      sizeOnly = true;
    } else if (arg == "--cacert" && i + 1 < args.size()) {
      options.caFile = args[++i];
    } else if (arg == "--timeout" && i + 1 < args.size()) {
      options.deadline = std::chrono::steady_clock::now() + std::chrono::seconds(std::max(1, std::atoi(args[++i])));
    } else if (arg == "--stall" && i + 1 < args.size()) {
      // Seconds below 1 KB/s before the transfer is given up.
      options.stall.windowSeconds = std::max(1, std::atoi(args[++i]));
    } else if (!arg.starts_with("--") && url.empty()) {
      url = std::string(arg);
    } else if (!arg.starts_with("--") && target.empty()) {
      target = std::string(arg);
    } else {
      std::fprintf(stderr, "download: unexpected argument '%s'\n", args[i]);
      return 2;
    }
  }
  if (url.empty() || (target.empty() && !sizeOnly)) {
    std::fputs("download: URL and TARGET are needed\n", stderr);
    return 2;
  }
  // Ctrl-C stops the transfer cooperatively and keeps TARGET.tmp for a resume.
  std::signal(SIGINT, onInterrupt);
  options.stop = &interrupted;
  std::string saved;
  options.savedPath = &saved;
  std::atomic<std::int64_t> total{0};
  std::atomic<std::int64_t> downloaded{0};
  std::string body;
  int result = youran::downloadFile(url, target, total, downloaded, rename, 0, sizeOnly, {}, &body, options);
  std::printf("result %d\ntotal %" PRId64 "\ndownloaded %" PRId64 "\n", result, total.load(), downloaded.load());
  if (result == 0 && !sizeOnly && !saved.empty()) std::printf("saved %s\n", saved.c_str());
  return result == 0 ? 0 : 1;
}

}  // namespace

YOURAN_CLI_COMMAND(download, "download", "download [--rename] [--size-only] [--cacert FILE] [--timeout S] [--stall S] URL TARGET", download);
