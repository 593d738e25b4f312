#include "visuals/stack_blur.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <thread>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace youran {

namespace {

// Lines blurred side by side. Neighbouring columns lie next to each other in
// memory, so a group of them walks down the image one cache line a row.
constexpr int kLanes = 8;

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

#if defined(__SSE2__)
// The same with the four channels of a pixel in one SSE2 register. The
// stack keeps its pixels unpacked, so each is widened once on the way in.
// The quotient is floor((sum + 0.5) / d) in doubles: exact, since the error
// of the product stays far below the 0.5 / d of room the half leaves.
class VectorLaneBlur {
 public:
  explicit VectorLaneBlur(int radius)
      : radius_(radius), span_(2 * radius + 1), inverse_(_mm_set1_pd(1.0 / ((radius + 1.0) * (radius + 1.0)))) {
    stacks_.resize(static_cast<std::size_t>(span_) * kLanes);
  }

  void run(const Line* lines, int lanes, int length) {
    const int r = radius_;
    const int last = length - 1;
    __m128i sum[kLanes], in[kLanes], out[kLanes];
    for (int g = 0; g < lanes; ++g) {
      __m128i* stack = stackOf(g);
      const Line& line = lines[g];
      sum[g] = in[g] = out[g] = _mm_setzero_si128();
      for (int i = -r; i <= r; ++i) {
        const __m128i p = widen(line.first[std::clamp(i, 0, last) * line.step]);
        stack[i + r] = p;
        sum[g] = _mm_add_epi32(sum[g], times(p, r + 1 - std::abs(i)));
        if (i <= 0)
          out[g] = _mm_add_epi32(out[g], p);
        else
          in[g] = _mm_add_epi32(in[g], p);
      }
    }
    int centre = r;
    for (int x = 0; x < length; ++x) {
      int oldest = centre + r + 1;
      if (oldest >= span_) oldest -= span_;
      int next = centre + 1;
      if (next >= span_) next = 0;
      const std::ptrdiff_t ahead = std::min(x + r + 1, last);
      for (int g = 0; g < lanes; ++g) {
        const Line& line = lines[g];
        __m128i* stack = stackOf(g);
        line.first[x * line.step] = quotient(sum[g]);
        sum[g] = _mm_sub_epi32(sum[g], out[g]);
        out[g] = _mm_sub_epi32(out[g], stack[oldest]);
        const __m128i p = widen(line.first[ahead * line.step]);
        stack[oldest] = p;
        in[g] = _mm_add_epi32(in[g], p);
        sum[g] = _mm_add_epi32(sum[g], in[g]);
        const __m128i moving = stack[next];
        out[g] = _mm_add_epi32(out[g], moving);
        in[g] = _mm_sub_epi32(in[g], moving);
      }
      centre = next;
    }
  }

 private:
  static __m128i widen(uint32_t pixel) {
    const __m128i zero = _mm_setzero_si128();
    return _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(pixel)), zero), zero);
  }
  // Every channel times the weight; only the first fill of a line needs it.
  static __m128i times(__m128i p, int weight) {
    alignas(16) uint32_t c[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(c), p);
    for (auto& v : c) v *= static_cast<uint32_t>(weight);
    return _mm_load_si128(reinterpret_cast<const __m128i*>(c));
  }
  uint32_t quotient(__m128i sum) const {
    const __m128d half = _mm_set1_pd(0.5);
    const __m128d low = _mm_mul_pd(_mm_add_pd(_mm_cvtepi32_pd(sum), half), inverse_);
    const __m128d high = _mm_mul_pd(_mm_add_pd(_mm_cvtepi32_pd(_mm_shuffle_epi32(sum, 0xEE)), half), inverse_);
    __m128i q = _mm_unpacklo_epi64(_mm_cvttpd_epi32(low), _mm_cvttpd_epi32(high));
    q = _mm_packs_epi32(q, q);
    q = _mm_packus_epi16(q, q);
    return static_cast<uint32_t>(_mm_cvtsi128_si32(q));
  }
  __m128i* stackOf(int lane) { return &stacks_[static_cast<std::size_t>(lane) * span_].v; }

  int radius_;
  int span_;
  __m128d inverse_;
  struct Wide {
    __m128i v;
  };
  std::vector<Wide> stacks_;
};
using FastKernel = VectorLaneBlur;
#else
using FastKernel = LaneBlur;
#endif

// Lines [begin, end) of one direction: rows (along x) or columns (along y).
template <typename Kernel>
void blurLines(uint32_t* pixels, int width, int height, int radius, bool columns, int begin, int end) {
  Kernel blur(radius);
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

template <typename Kernel>
void blurPass(uint32_t* pixels, int width, int height, int radius, bool columns, int threads) {
  const int count = columns ? width : height;
  // Whole lane groups per thread, so no two threads share a group.
  const int groups = (count + kLanes - 1) / kLanes;
  threads = std::clamp(threads, 1, std::max(1, groups));
  if (threads == 1) {
    blurLines<Kernel>(pixels, width, height, radius, columns, 0, count);
    return;
  }
  std::vector<std::thread> workers;
  workers.reserve(static_cast<std::size_t>(threads - 1));
  auto bounds = [&](int t) { return std::min(count, (groups * t / threads) * kLanes); };
  for (int t = 1; t < threads; ++t)
    workers.emplace_back(blurLines<Kernel>, pixels, width, height, radius, columns, bounds(t), bounds(t + 1));
  blurLines<Kernel>(pixels, width, height, radius, columns, 0, bounds(1));
  for (auto& worker : workers) worker.join();
}

}  // namespace

void stackBlur(uint32_t* pixels, int width, int height, int radius, StackBlurOptions options) {
  if (!pixels || width <= 0 || height <= 0 || radius <= 0) return;
  radius = std::min(radius, kMaxBlurRadius);
  int threads = options.threads;
  if (threads <= 0) threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  if (options.portable) {
    blurPass<LaneBlur>(pixels, width, height, radius, false, threads);
    blurPass<LaneBlur>(pixels, width, height, radius, true, threads);
  } else {
    blurPass<FastKernel>(pixels, width, height, radius, false, threads);
    blurPass<FastKernel>(pixels, width, height, radius, true, threads);
  }
}

}  // namespace youran
