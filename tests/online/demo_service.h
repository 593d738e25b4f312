#pragma once

// scripts/demo-service.py started for one test: its hosts, a way to switch
// its faults, and a stop (by its own process id) when the test ends.

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

#include "online/online_hosts.h"
#include "online/song_cache.h"

namespace youran::testing {

class DemoService {
 public:
  // library: a folder of songs (may be empty); synthetic: "NAME=MB" songs.
  explicit DemoService(const std::filesystem::path& library, std::vector<std::string> synthetic = {},
                       int delayMs = 0);
  ~DemoService();
  DemoService(const DemoService&) = delete;
  DemoService& operator=(const DemoService&) = delete;

  bool ok() const { return !hosts_.primary.empty(); }
  const OnlineHosts& hosts() const { return hosts_; }
  // fault: none, slow, cut, cutsong, 404 or nourl (scripts/demo-service.py).
  bool control(const std::string& fault, int delayMs = 0) const;

 private:
  pid_t pid_ = -1;
  std::filesystem::path info_;
  OnlineHosts hosts_;
};

// A library folder with a few songs made by ffmpeg (title and artist tags).
std::filesystem::path makeDemoLibrary(const std::filesystem::path& folder);

// A cache request with the player's own defaults for everything else.
inline CacheRequest cacheRequest(std::string url, std::filesystem::path file,
                                 const std::atomic<bool>* stop = nullptr) {
  CacheRequest request;
  request.url = std::move(url);
  request.file = std::move(file);
  request.stop = stop;
  return request;
}

}  // namespace youran::testing
