#pragma once

// Stack blur over 32-bit ARGB pixels, in place: every channel, alpha too,
// is averaged with a triangular kernel of the given radius, first along the
// rows, then down the columns. Edge pixels repeat past the edges, so a blur
// neither darkens nor wraps around them. The work is split over threads.

#include <cstdint>

namespace youran {

struct StackBlurOptions {
  // 0: one thread per core.
  int threads = 0;
  // The plain C++ kernel even where the SSE2 one exists (it is what other
  // processors run; tests compare the two).
  bool portable = false;
};

// Radii above this are treated as this one (the sums must fit 32 bits).
inline constexpr int kMaxBlurRadius = 2000;

// `pixels`: the first row of width x height pixels, rows top-down with a
// stride of width x 4 bytes. Radius 0 (or below) leaves the pixels alone.
void stackBlur(uint32_t* pixels, int width, int height, int radius, StackBlurOptions options = {});

// The contract of the design's blur library export: first row, width,
// height, radius; in place.
inline void StackBlurHost(uint32_t* firstRow, int width, int height, int radius) {
  stackBlur(firstRow, width, height, radius);
}

}  // namespace youran
