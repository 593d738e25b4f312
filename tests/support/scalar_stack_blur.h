#pragma once

// Reference blurs for the tests and the benchmark: the textbook stack blur,
// one channel and one line at a time on one thread, and the triangular
// convolution it computes, written out pixel by pixel.

#include <cstdint>
#include <vector>

namespace youran::testing {

void scalarStackBlur(uint32_t* pixels, int width, int height, int radius);

// Weight r + 1 - |d| for every offset d in -r..r, edges repeated, divided by
// (r + 1)^2 after each direction. Slow: for small images.
std::vector<uint32_t> triangularBlur(const std::vector<uint32_t>& pixels, int width, int height, int radius);

}  // namespace youran::testing
