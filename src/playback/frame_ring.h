#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <vector>

namespace youran {

// Single-producer single-consumer ring of interleaved stereo float frames:
// the decoding thread writes, the output thread reads, neither waits for the
// other. reset() is only called while both sides are held still.
class FrameRing {
 public:
  explicit FrameRing(int capacityFrames) : data_(2 * size_t(capacityFrames)), capacity_(capacityFrames) {}

  int capacity() const { return capacity_; }
  int readable() const {
    return static_cast<int>(written_.load(std::memory_order_acquire) - read_.load(std::memory_order_acquire));
  }
  int writable() const { return capacity_ - readable(); }

  int write(const float* stereo, int frames) {
    uint64_t w = written_.load(std::memory_order_relaxed);
    uint64_t r = read_.load(std::memory_order_acquire);
    int n = std::min<int>(frames, capacity_ - static_cast<int>(w - r));
    copyIn(stereo, n, w);
    written_.store(w + n, std::memory_order_release);
    return n;
  }

  int read(float* stereo, int frames) {
    uint64_t r = read_.load(std::memory_order_relaxed);
    uint64_t w = written_.load(std::memory_order_acquire);
    int n = std::min<int>(frames, static_cast<int>(w - r));
    copyOut(stereo, n, r);
    read_.store(r + n, std::memory_order_release);
    return n;
  }

  void reset() {
    written_.store(0, std::memory_order_relaxed);
    read_.store(0, std::memory_order_relaxed);
  }

 private:
  void copyIn(const float* from, int frames, uint64_t at) {
    auto start = static_cast<int>(at % capacity_);
    int first = std::min(frames, capacity_ - start);
    std::copy(from, from + 2 * first, data_.data() + 2 * start);
    std::copy(from + 2 * first, from + 2 * frames, data_.data());
  }
  void copyOut(float* to, int frames, uint64_t at) const {
    auto start = static_cast<int>(at % capacity_);
    int first = std::min(frames, capacity_ - start);
    std::copy(data_.data() + 2 * start, data_.data() + 2 * (start + first), to);
    std::copy(data_.data(), data_.data() + 2 * (frames - first), to + 2 * first);
  }

  std::vector<float> data_;
  int capacity_;
  std::atomic<uint64_t> written_{0};
  std::atomic<uint64_t> read_{0};
};

}  // namespace youran
