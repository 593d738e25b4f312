#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <utility>

struct AVTXContext;

namespace youran {

// The most recent stereo audio heard from a stream, for the level meters and
// the spectrum. push() runs on the output thread and only copies; the
// readers run on the caller's thread and work on a snapshot.
class SignalTap {
 public:
  static constexpr int kHistory = 2048;
  static constexpr int kFftSize = 512;

  void push(const float* stereo, int frames);
  void clear();

  // Peak of the last `frames` frames as (right, left), each 0..32768.
  std::pair<int, int> level(int frames) const;

  // The last kFftSize frames mixed to mono, oldest first.
  void snapshotMono(std::span<float, kFftSize> out) const;

 private:
  std::array<float, 2 * kHistory> history_{};
  int write_ = 0;  // frame index of the next push
};

// Hann-windowed 512-point real FFT; magnitudes |X[k]| x 2 / 512 for k 0..255,
// so a full-scale sine centred on a bin reads about 0.5.
class SpectrumAnalyser {
 public:
  SpectrumAnalyser();
  ~SpectrumAnalyser();
  SpectrumAnalyser(const SpectrumAnalyser&) = delete;
  SpectrumAnalyser& operator=(const SpectrumAnalyser&) = delete;

  bool ready() const { return context_ != nullptr; }
  void magnitudes(std::span<const float, SignalTap::kFftSize> mono, std::span<float, 256> out);

 private:
  AVTXContext* context_ = nullptr;
  void (*transform_)(AVTXContext*, void*, void*, ptrdiff_t) = nullptr;
  std::array<float, SignalTap::kFftSize> window_{};
  alignas(64) std::array<float, SignalTap::kFftSize + 2> in_{};
  alignas(64) std::array<float, SignalTap::kFftSize + 2> out_{};
};

}  // namespace youran
