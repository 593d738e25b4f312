#include "support/scalar_stack_blur.h"

#include <algorithm>
#include <cstdlib>

namespace youran::testing {

namespace {

uint32_t channel(uint32_t p, int k) { return (p >> (8 * k)) & 0xFF; }

// One line of one channel: the stack of 2r + 1 values with its three sums.
void blurLine(uint32_t* first, long step, int length, int radius, int k, std::vector<uint32_t>& stack) {
  const int span = 2 * radius + 1;
  const uint32_t divisor = static_cast<uint32_t>((radius + 1) * (radius + 1));
  const int last = length - 1;
  uint32_t sum = 0, in = 0, out = 0;
  for (int i = -radius; i <= radius; ++i) {
    uint32_t v = channel(first[std::clamp(i, 0, last) * step], k);
    stack[i + radius] = v;
    sum += v * static_cast<uint32_t>(radius + 1 - std::abs(i));
    (i <= 0 ? out : in) += v;
  }
  int centre = radius;
  for (int x = 0; x < length; ++x) {
    uint32_t& pixel = first[x * step];
    pixel = (pixel & ~(0xFFu << (8 * k))) | ((sum / divisor) << (8 * k));
    sum -= out;
    const int oldest = (centre + radius + 1) % span;
    out -= stack[oldest];
    const uint32_t v = channel(first[std::min(x + radius + 1, last) * step], k);
    stack[oldest] = v;
    in += v;
    sum += in;
    centre = (centre + 1) % span;
    out += stack[centre];
    in -= stack[centre];
  }
}

}  // namespace

void scalarStackBlur(uint32_t* pixels, int width, int height, int radius) {
  if (radius <= 0 || width <= 0 || height <= 0) return;
  std::vector<uint32_t> stack(static_cast<size_t>(2 * radius + 1));
  for (int k = 0; k < 4; ++k) {
    for (int y = 0; y < height; ++y) blurLine(pixels + static_cast<long>(y) * width, 1, width, radius, k, stack);
    for (int x = 0; x < width; ++x) blurLine(pixels + x, width, height, radius, k, stack);
  }
}

std::vector<uint32_t> triangularBlur(const std::vector<uint32_t>& pixels, int width, int height, int radius) {
  if (radius <= 0) return pixels;
  const uint32_t divisor = static_cast<uint32_t>((radius + 1) * (radius + 1));
  auto pass = [&](const std::vector<uint32_t>& from, bool columns) {
    std::vector<uint32_t> to(from.size());
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        uint32_t result = 0;
        for (int k = 0; k < 4; ++k) {
          uint32_t sum = 0;
          for (int d = -radius; d <= radius; ++d) {
            const int sx = columns ? x : std::clamp(x + d, 0, width - 1);
            const int sy = columns ? std::clamp(y + d, 0, height - 1) : y;
            sum += channel(from[static_cast<size_t>(sy) * width + sx], k) *
                   static_cast<uint32_t>(radius + 1 - std::abs(d));
          }
          result |= (sum / divisor) << (8 * k);
        }
        to[static_cast<size_t>(y) * width + x] = result;
      }
    return to;
  };
  return pass(pass(pixels, false), true);
}

}  // namespace youran::testing
