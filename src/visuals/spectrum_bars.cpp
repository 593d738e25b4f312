#include "visuals/spectrum_bars.h"

#include <algorithm>

namespace youran {

namespace {

constexpr float kTolerance = 1e-7f;
// Bars at or below this height stay until a higher value comes.
constexpr float kRestingBar = 2.0f;

}  // namespace

void SpectrumBars::advance(std::span<const float> magnitudes, int width, int height, int barWidth,
                           Frame& frame) {
  frame.width = width;
  frame.height = height;
  frame.count = 0;
  if (magnitudes.empty() || barWidth < 1) return;
  const int step = barWidth + 1;
  const float limit = static_cast<float>(height);
  // Bin 512 is never visited.
  for (int i = 1; i < kBins; ++i) {
    const std::size_t k = static_cast<std::size_t>(i - 1);
    binValue_[i] = k < magnitudes.size() ? magnitudes[k] : 0.0f;
    // 40 x (51 - i / 4): the low bins weigh most, bins above 204 weigh
    // nothing or less, so they never rise.
    const float v = 40.0f * (binValue_[i] + binValue_[i] * static_cast<float>(200 - i) * 0.25f);
    float& bar = barHeight_[i];
    if (v > bar + kTolerance)
      bar = v;
    else if (bar > kRestingBar + kTolerance)
      bar -= 2.0f;
    if (bar > limit + kTolerance) bar = limit;

    if (i % step != 0) continue;
    float sum = 0;
    for (int j = i - barWidth; j <= i; ++j) sum += barHeight_[j];
    const float mean = sum / static_cast<float>(step);
    int& peak = peakHeight_[i];
    // A bar of 2 pixels or less is resting, not rising: were the cap pushed
    // up to it, a cap that sank to 1 would jump back to 2 and flicker
    // between the two for as long as the silence lasts.
    if (static_cast<float>(peak) + kTolerance < mean && mean > kRestingBar + kTolerance)
      peak = static_cast<int>(mean);
    else if (peak > 1)
      peak -= 1;
    else
      peak = 1;
    const int left = i - 1 - barWidth;
    frame.bars[frame.count] = {left, static_cast<int>(limit - mean), i - 1, height};
    frame.caps[frame.count] = {left, height - peak - 1, i - 1, height - peak};
    ++frame.count;
  }
}

}  // namespace youran
