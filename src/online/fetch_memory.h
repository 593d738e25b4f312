#pragma once

// Names whose lyric or cover fetch failed a short while ago. A track that
// loops, or a list played again and again, would otherwise ask the service
// (and download a broken picture) at every start of the track. Kept in
// memory only: a restart tries again.

#include <chrono>
#include <mutex>
#include <string>
#include <unordered_map>

namespace youran {

class FailedFetchMemory {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr Clock::duration kDefaultQuiet = std::chrono::minutes(10);

  explicit FailedFetchMemory(Clock::duration quiet = kDefaultQuiet) : quiet_(quiet) {}

  // Whether a fetch for this name failed less than the quiet time ago.
  bool recentlyFailed(const std::string& name, Clock::time_point now = Clock::now());
  void noteFailure(const std::string& name, Clock::time_point now = Clock::now());

 private:
  Clock::duration quiet_;
  std::mutex lock_;
  std::unordered_map<std::string, Clock::time_point> failedAt_;
};

}  // namespace youran
