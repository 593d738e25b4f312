#include "visuals/stack_blur.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <thread>
#include <vector>

namespace youran {

namespace {

// Lines blurred side by side. Neighbouring columns lie next to each other in
// memory, so a group of them walks down the image one cache line a row.
constexpr int kLanes = 16;

struct Line {
  uint32_t* first;  // first pixel
  std::ptrdiff_t step;  // to the next pixel along the line
};

// Channel sums of one lane, in the order B, G, R, A of the pixel's bytes.
struct Sums {
  uint32_t c[4];
};

inline void addPixel(Sums& s, uint32_t p) {
  s.c[0] += p & 0xFF;
  s.c[1] += (p >> 8) & 0xFF;
  s.c[2] += (p >> 16) & 0xFF;
  s.c[3] += p >> 24;
}

inline void subPixel(Sums& s, uint32_t p) {
  s.c[0] -= p & 0xFF;
  s.c[1] -= (p >> 8) & 0xFF;
  s.c[2] -= (p >> 16) & 0xFF;
  s.c[3] -= p >> 24;
}

inline void addSums(Sums& s, const Sums& t) {
  for (int k = 0; k < 4; ++k) s.c[k] += t.c[k];
}

inline void subSums(Sums& s, const Sums& t) {
  for (int k = 0; k < 4; ++k) s.c[k] -= t.c[k];
}

// sum / (r + 1)^2 through one multiplication. With 2^k at least 2^32 times
// the divisor and the sums below 256 times it, the rounded-up reciprocal's
// error stays under 2^-24 of a unit: the quotient is exact.
struct Divider {
  uint64_t multiplier;
  int shift;
  explicit Divider(uint32_t divisor) : shift(32 + static_cast<int>(std::bit_width(divisor))) {
    multiplier = ((uint64_t{1} << shift) + divisor - 1) / divisor;
  }
  uint32_t operator()(uint32_t sum) const {
    return static_cast<uint32_t>((static_cast<uint64_t>(sum) * multiplier) >> shift);
  }
};

// The classic stack blur over up to kLanes lines of the same length at once.
// The stack holds the last 2r + 1 pixels of each line; `sum` is their
// triangular weighting, `in` the pixels entering (right of the centre),
// `out` those leaving (the centre and left of it).
class LaneBlur {
 public:
  explicit LaneBlur(int radius) : radius_(radius), span_(2 * radius + 1), divide_(static_cast<uint32_t>((radius + 1) * (radius + 1))) {
    stacks_.resize(static_cast<std::size_t>(span_) * kLanes);
  }

  void run(const Line* lines, int lanes, int length) {
    const int r = radius_;
    const int last = length - 1;
    Sums sum[kLanes]{}, in[kLanes]{}, out[kLanes]{};
    for (int g = 0; g < lanes; ++g) {
      uint32_t* stack = stackOf(g);
      const Line& line = lines[g];
      for (int i = -r; i <= r; ++i) {
        const uint32_t p = line.first[std::clamp(i, 0, last) * line.step];
        stack[i + r] = p;
        const uint32_t weight = static_cast<uint32_t>(r + 1 - std::abs(i));
        for (int k = 0; k < 4; ++k) sum[g].c[k] += ((p >> (8 * k)) & 0xFF) * weight;
        if (i <= 0)
          addPixel(out[g], p);
        else
          addPixel(in[g], p);
      }
    }
    int centre = r;  // stack index of the pixel being written
    for (int x = 0; x < length; ++x) {
      int oldest = centre + r + 1;  // = centre - r, the pixel leaving
      if (oldest >= span_) oldest -= span_;
      int next = centre + 1;
      if (next >= span_) next = 0;
      const std::ptrdiff_t ahead = std::min(x + r + 1, last);
      for (int g = 0; g < lanes; ++g) {
        const Line& line = lines[g];
        uint32_t* stack = stackOf(g);
        const Sums& s = sum[g];
        line.first[x * line.step] = divide_(s.c[0]) | (divide_(s.c[1]) << 8) | (divide_(s.c[2]) << 16) |
                                    (divide_(s.c[3]) << 24);
        subSums(sum[g], out[g]);
        subPixel(out[g], stack[oldest]);
        const uint32_t p = line.first[ahead * line.step];
        stack[oldest] = p;
        addPixel(in[g], p);
        addSums(sum[g], in[g]);
        addPixel(out[g], stack[next]);
        subPixel(in[g], stack[next]);
      }
      centre = next;
    }
  }

 private:
  uint32_t* stackOf(int lane) { return stacks_.data() + static_cast<std::size_t>(lane) * span_; }

  int radius_;
  int span_;
  Divider divide_;
  std::vector<uint32_t> stacks_;
};

// Lines [begin, end) of one direction: rows (along x) or columns (along y).
void blurLines(uint32_t* pixels, int width, int height, int radius, bool columns, int begin, int end) {
  LaneBlur blur(radius);
  std::array<Line, kLanes> lines;
  const int length = columns ? height : width;
  for (int first = begin; first < end; first += kLanes) {
    const int lanes = std::min(kLanes, end - first);
    for (int g = 0; g < lanes; ++g) {
      const int index = first + g;
      lines[g] = columns ? Line{pixels + index, width}
                         : Line{pixels + static_cast<std::ptrdiff_t>(index) * width, 1};
    }
    blur.run(lines.data(), lanes, length);
  }
}

void blurPass(uint32_t* pixels, int width, int height, int radius, bool columns, int threads) {
  const int count = columns ? width : height;
  // Whole lane groups per thread, so no two threads share a group.
  const int groups = (count + kLanes - 1) / kLanes;
  threads = std::clamp(threads, 1, std::max(1, groups));
  if (threads == 1) {
    blurLines(pixels, width, height, radius, columns, 0, count);
    return;
  }
  std::vector<std::thread> workers;
  workers.reserve(static_cast<std::size_t>(threads - 1));
  auto bounds = [&](int t) { return std::min(count, (groups * t / threads) * kLanes); };
  for (int t = 1; t < threads; ++t)
    workers.emplace_back(blurLines, pixels, width, height, radius, columns, bounds(t), bounds(t + 1));
  blurLines(pixels, width, height, radius, columns, 0, bounds(1));
  for (auto& worker : workers) worker.join();
}

}  // namespace

void stackBlur(uint32_t* pixels, int width, int height, int radius, StackBlurOptions options) {
  if (!pixels || width <= 0 || height <= 0 || radius <= 0) return;
  radius = std::min(radius, kMaxBlurRadius);
  int threads = options.threads;
  if (threads <= 0) threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  blurPass(pixels, width, height, radius, false, threads);
  blurPass(pixels, width, height, radius, true, threads);
}

}  // namespace youran
