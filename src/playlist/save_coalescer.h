#pragma once

// When to rewrite the music list file while the conversion pass streams row
// changes in. Rewriting the whole file for every converted row is quadratic
// on a large list, so changes are gathered: at most one write per interval
// (about two a second), one when the pass ends and one at shutdown if a change
// is still pending. A held-back change is never older than one interval when
// the owner honours dueAt() (a timer in the UI, a polling wait in the CLI).

#include <chrono>
#include <optional>

namespace youran {

class SaveCoalescer {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr Clock::duration kDefaultInterval = std::chrono::milliseconds(500);

  explicit SaveCoalescer(Clock::duration interval = kDefaultInterval) : interval_(interval) {}

  // Records a change; true when it should be written now.
  bool changed(Clock::time_point now);

  bool pending() const { return pending_; }
  // A pending change whose interval has passed.
  bool due(Clock::time_point now) const;
  // When the pending change falls due; empty when nothing is pending.
  std::optional<Clock::time_point> dueAt() const;

  // The file was written (by this policy's advice or by any other save).
  void saved(Clock::time_point now);

 private:
  Clock::duration interval_;
  std::optional<Clock::time_point> lastSave_;
  bool pending_ = false;
};

}  // namespace youran
