// The stack blur against the kernel it is defined by and the textbook
// single-threaded version, which both of its kernels match exactly.
#include "visuals/stack_blur.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <random>
#include <vector>

#include "support/scalar_stack_blur.h"

namespace youran {
namespace {

using Pixels = std::vector<uint32_t>;

uint32_t argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) { return (a << 24) | (r << 16) | (g << 8) | b; }
int channel(uint32_t p, int k) { return static_cast<int>((p >> (8 * k)) & 0xFF); }

Pixels noise(int width, int height, unsigned seed) {
  std::mt19937 random(seed);
  Pixels pixels(static_cast<size_t>(width) * height);
  for (auto& p : pixels) p = static_cast<uint32_t>(random());
  return pixels;
}

// Largest difference of any channel of any pixel.
int maxDifference(const Pixels& a, const Pixels& b) {
  int worst = 0;
  for (size_t i = 0; i < a.size(); ++i)
    for (int k = 0; k < 4; ++k) worst = std::max(worst, std::abs(channel(a[i], k) - channel(b[i], k)));
  return worst;
}

TEST(StackBlurTest, UniformStaysUniformAtEveryEdge) {
  for (int radius : {1, 5, 100}) {
    Pixels pixels(40 * 30, argb(200, 10, 128, 255));
    stackBlur(pixels.data(), 40, 30, radius);
    for (uint32_t p : pixels) ASSERT_EQ(p, argb(200, 10, 128, 255)) << "radius " << radius;
  }
}

TEST(StackBlurTest, BrightPixelSpreadsAsTheTriangularKernel) {
  // A 255 dot on black in the middle of 21 x 21 with radius 4: after both
  // passes the value at offset (dx, dy) is the product of the two triangle
  // weights, each pass cutting to an integer.
  constexpr int kSize = 21, kCentre = 10, kRadius = 4;
  Pixels pixels(kSize * kSize, 0);
  pixels[kCentre * kSize + kCentre] = argb(255, 255, 255, 255);
  stackBlur(pixels.data(), kSize, kSize, kRadius);
  const uint32_t divisor = (kRadius + 1) * (kRadius + 1);
  for (int dy = -6; dy <= 6; ++dy)
    for (int dx = -6; dx <= 6; ++dx) {
      auto weight = [](int d) { return std::abs(d) > kRadius ? 0u : static_cast<uint32_t>(kRadius + 1 - std::abs(d)); };
      const uint32_t row = 255 * weight(dx) / divisor;
      const uint32_t expected = row * weight(dy) / divisor;
      const uint32_t p = pixels[(kCentre + dy) * kSize + kCentre + dx];
      for (int k = 0; k < 4; ++k) ASSERT_EQ(channel(p, k), static_cast<int>(expected)) << dx << "," << dy;
    }
  // Symmetric and peaked in both directions.
  EXPECT_EQ(channel(pixels[kCentre * kSize + kCentre], 0), 255 * 5 / 25 * 5 / 25);
}

TEST(StackBlurTest, AlphaIsBlurredOnItsOwn) {
  Pixels pixels(9, argb(0, 0, 0, 0));
  pixels[4] = argb(255, 0, 0, 0);
  stackBlur(pixels.data(), 9, 1, 2);
  EXPECT_EQ(channel(pixels[4], 3), 255 * 3 / 9);
  EXPECT_EQ(channel(pixels[3], 3), 255 * 2 / 9);
  EXPECT_EQ(channel(pixels[2], 3), 255 * 1 / 9);
  EXPECT_EQ(channel(pixels[1], 3), 0);
  for (uint32_t p : pixels) EXPECT_EQ(p & 0xFFFFFF, 0u);
}

TEST(StackBlurTest, EdgesRepeatInsteadOfDarkeningOrWrapping) {
  // Left half white, right half black: the left edge stays white (no black
  // wraps in from the right), the right edge stays black.
  constexpr int kW = 32, kH = 8;
  Pixels pixels(kW * kH);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) pixels[y * kW + x] = x < kW / 2 ? 0xFFFFFFFFu : 0xFF000000u;
  stackBlur(pixels.data(), kW, kH, 6);
  for (int y = 0; y < kH; ++y) {
    EXPECT_EQ(pixels[y * kW], 0xFFFFFFFFu);
    EXPECT_EQ(pixels[y * kW + kW - 1], 0xFF000000u);
    EXPECT_EQ(channel(pixels[y * kW + 5], 0), 255) << "six away from black stays white";
    EXPECT_LT(channel(pixels[y * kW + 15], 0), 255);
    EXPECT_GT(channel(pixels[y * kW + 16], 0), 0);
  }
}

TEST(StackBlurTest, MatchesTheReferencesOverSizesRadiiAndThreads) {
  struct Case {
    int width, height, radius, threads;
  };
  static constexpr std::array<Case, 9> kCases{{
      {37, 23, 3, 1},
      {37, 23, 3, 2},
      {100, 61, 17, 3},
      {64, 64, 100, 2},  // radius beyond the image
      {5, 3, 50, 2},     // image smaller than the radius
      {1, 40, 7, 2},
      {40, 1, 7, 2},
      {1, 1, 9, 0},
      {33, 17, 1, 0},
  }};
  for (const auto& c : kCases) {
    const Pixels original = noise(c.width, c.height, static_cast<unsigned>(c.width * 31 + c.radius));
    Pixels ours = original;
    stackBlur(ours.data(), c.width, c.height, c.radius, {.threads = c.threads});
    Pixels scalar = original;
    testing::scalarStackBlur(scalar.data(), c.width, c.height, c.radius);
    EXPECT_EQ(maxDifference(ours, scalar), 0) << c.width << "x" << c.height << " r" << c.radius;
    Pixels portable = original;
    stackBlur(portable.data(), c.width, c.height, c.radius, {.threads = c.threads, .portable = true});
    EXPECT_EQ(maxDifference(portable, scalar), 0) << "portable " << c.width << "x" << c.height << " r" << c.radius;
    if (c.width * c.height * c.radius < 200000) {
      EXPECT_LE(maxDifference(ours, testing::triangularBlur(original, c.width, c.height, c.radius)), 1)
          << c.width << "x" << c.height << " r" << c.radius;
    }
  }
}

TEST(StackBlurTest, RadiusZeroAndEmptyImagesAreLeftAlone) {
  Pixels pixels = noise(8, 8, 7);
  const Pixels before = pixels;
  stackBlur(pixels.data(), 8, 8, 0);
  EXPECT_EQ(pixels, before);
  stackBlur(pixels.data(), 8, 8, -3);
  EXPECT_EQ(pixels, before);
  stackBlur(nullptr, 8, 8, 3);
  stackBlur(pixels.data(), 0, 8, 3);
  EXPECT_EQ(pixels, before);
}

}  // namespace
}  // namespace youran
