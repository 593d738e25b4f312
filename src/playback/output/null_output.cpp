#include "playback/output/null_output.h"

#include <chrono>

namespace youran {

namespace {
// 20 ms at 44.1 kHz: about what a sound card's callback asks for, and few
// enough wake-ups to cost next to nothing.
constexpr int kBlockFrames = 882;
}

bool NullOutput::open(int rate, AudioSource& source) {
  if (rate < 1000 || rate > 384000) return false;
  rate_ = rate;
  source_ = &source;
  buffer_.assign(2 * kBlockFrames, 0.0f);
  return true;
}

void NullOutput::start() {
  if (running_.exchange(true)) return;
  thread_ = std::thread([this] { run(); });
}

void NullOutput::stop() {
  running_.store(false);
  if (thread_.joinable()) thread_.join();
}

void NullOutput::run() {
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  int64_t rendered = 0;
  while (running_.load(std::memory_order_relaxed)) {
    auto elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    auto due = static_cast<int64_t>(elapsed * rate_);
    // After a long stall (the machine was suspended) skip ahead instead of
    // rendering the lost time in a burst.
    if (due - rendered > rate_) rendered = due - kBlockFrames;
    while (rendered + kBlockFrames <= due && running_.load(std::memory_order_relaxed)) {
      source_->render(buffer_.data(), kBlockFrames, false);
      rendered += kBlockFrames;
    }
    std::this_thread::sleep_until(start + std::chrono::duration<double>(double(rendered + kBlockFrames) / rate_));
  }
}

}  // namespace youran
