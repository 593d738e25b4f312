#include "online/fetch_memory.h"

namespace youran {

bool FailedFetchMemory::recentlyFailed(const std::string& name, Clock::time_point now) {
  std::lock_guard guard(lock_);
  const auto at = failedAt_.find(name);
  if (at == failedAt_.end()) return false;
  if (now - at->second < quiet_) return true;
  failedAt_.erase(at);
  return false;
}

void FailedFetchMemory::noteFailure(const std::string& name, Clock::time_point now) {
  std::lock_guard guard(lock_);
  // Old entries go when the map would grow without end over a long session.
  if (failedAt_.size() >= 4096) std::erase_if(failedAt_, [&](const auto& item) { return now - item.second >= quiet_; });
  failedAt_[name] = now;
}

}  // namespace youran
