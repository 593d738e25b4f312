#include "playback/dsp/signal_tap.h"

#include <algorithm>
#include <cmath>
#include <numbers>

extern "C" {
#include <libavutil/tx.h>
}

namespace youran {

void SignalTap::push(const float* stereo, int frames) {
  if (frames >= kHistory) {
    stereo += 2 * (frames - kHistory);
    frames = kHistory;
  }
  int first = std::min(frames, kHistory - write_);
  std::copy(stereo, stereo + 2 * first, history_.begin() + 2 * write_);
  std::copy(stereo + 2 * first, stereo + 2 * frames, history_.begin());
  write_ = (write_ + frames) % kHistory;
}

void SignalTap::clear() {
  history_.fill(0.0f);
  write_ = 0;
}

std::pair<int, int> SignalTap::level(int frames) const {
  frames = std::clamp(frames, 1, kHistory);
  float left = 0, right = 0;
  for (int i = 1; i <= frames; ++i) {
    int at = (write_ - i + kHistory) % kHistory;
    left = std::max(left, std::fabs(history_[2 * at]));
    right = std::max(right, std::fabs(history_[2 * at + 1]));
  }
  auto scale = [](float peak) { return static_cast<int>(std::lround(std::min(peak, 1.0f) * 32768.0f)); };
  return {scale(right), scale(left)};
}

void SignalTap::snapshotMono(std::span<float, kFftSize> out) const {
  for (int i = 0; i < kFftSize; ++i) {
    int at = (write_ - kFftSize + i + kHistory) % kHistory;
    out[i] = 0.5f * (history_[2 * at] + history_[2 * at + 1]);
  }
}

SpectrumAnalyser::SpectrumAnalyser() {
  float scale = 1.0f;
  av_tx_fn fn = nullptr;
  if (av_tx_init(&context_, &fn, AV_TX_FLOAT_RDFT, 0, SignalTap::kFftSize, &scale, 0) < 0) {
    context_ = nullptr;
  }
  transform_ = fn;
  for (int n = 0; n < SignalTap::kFftSize; ++n) {
    window_[n] = static_cast<float>(0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * n / SignalTap::kFftSize));
  }
}

SpectrumAnalyser::~SpectrumAnalyser() { av_tx_uninit(&context_); }

void SpectrumAnalyser::magnitudes(std::span<const float, SignalTap::kFftSize> mono, std::span<float, 256> out) {
  if (!context_) {
    std::fill(out.begin(), out.end(), 0.0f);
    return;
  }
  for (int n = 0; n < SignalTap::kFftSize; ++n) in_[n] = mono[n] * window_[n];
  transform_(context_, out_.data(), in_.data(), sizeof(float));
  // out_ holds N/2 + 1 complex values as (re, im) pairs.
  constexpr float kScale = 2.0f / SignalTap::kFftSize;
  for (int k = 0; k < 256; ++k) out[k] = std::hypot(out_[2 * k], out_[2 * k + 1]) * kScale;
}

}  // namespace youran
