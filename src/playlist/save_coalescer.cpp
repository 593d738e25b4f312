#include "playlist/save_coalescer.h"

namespace youran {

bool SaveCoalescer::changed(Clock::time_point now) {
  pending_ = true;
  return due(now);
}

bool SaveCoalescer::due(Clock::time_point now) const {
  return pending_ && (!lastSave_ || now - *lastSave_ >= interval_);
}

std::optional<SaveCoalescer::Clock::time_point> SaveCoalescer::dueAt() const {
  if (!pending_) return std::nullopt;
  if (!lastSave_) return Clock::time_point::min();
  return *lastSave_ + interval_;
}

void SaveCoalescer::saved(Clock::time_point now) {
  pending_ = false;
  lastSave_ = now;
}

}  // namespace youran
