// The spectrum's bar and cap dynamics, frame by frame, without a display.
#include "visuals/spectrum_bars.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace youran {
namespace {

constexpr int kW = 164;
constexpr int kH = 34;

std::vector<float> flat(float value, int count = 256) { return std::vector<float>(count, value); }

TEST(SpectrumBarsTest, SilenceAfterLoudMusicFallsTwoPixelsAndCapsOne) {
  SpectrumBars bars;
  SpectrumBars::Frame frame;
  bars.advance(flat(1.0f), kW, kH, 2, frame);
  ASSERT_FLOAT_EQ(bars.barHeight(1), 34.0f);
  ASSERT_EQ(bars.peakHeight(3), 34);

  const auto silence = flat(0.0f);
  struct Row {
    int frames;  // silent frames so far
    float bar;   // bin 1
    int cap;     // bar 1 (bin 3)
  };
  // Resting bars of 2 pixels do not push a sunk cap back up: it stays at 1.
  static constexpr std::array<Row, 8> kRows{{
      {1, 32, 33}, {2, 30, 32}, {15, 4, 19}, {16, 2, 18}, {17, 2, 17}, {33, 2, 1}, {60, 2, 1}, {61, 2, 1},
  }};
  int done = 0;
  for (const auto& row : kRows) {
    for (; done < row.frames; ++done) bars.advance(silence, kW, kH, 2, frame);
    EXPECT_FLOAT_EQ(bars.barHeight(1), row.bar) << "after " << row.frames << " silent frames";
    EXPECT_EQ(bars.peakHeight(3), row.cap) << "after " << row.frames << " silent frames";
    EXPECT_EQ(frame.caps[0], (SpectrumRect{0, kH - row.cap - 1, 2, kH - row.cap}));
  }
  // Every drawn bar keeps a cap at height 1 above the bottom edge.
  for (int n = 0; n < frame.count; ++n) EXPECT_EQ(frame.caps[n].top, kH - 2) << n;
}

TEST(SpectrumBarsTest, HeightsAreClampedAndHighBinsNeverRise) {
  struct Case {
    float magnitude;
    int bin;
    float height;
  };
  static constexpr std::array<Case, 7> kCases{{
      {1000.0f, 1, kH},  // clamped to the canvas
      {1000.0f, 150, kH},
      {0.01f, 1, 20.3f},  // 40 x 0.01 x (1 + 199 / 4)
      {0.5f, 200, 20.0f},
      {1.0f, 204, 0.0f},  // weight 0
      {1.0f, 205, 0.0f},  // negative weight
      {1000.0f, 300, 0.0f},
  }};
  for (const auto& c : kCases) {
    SpectrumBars bars;
    SpectrumBars::Frame frame;
    bars.advance(flat(c.magnitude, SpectrumBars::kScratch), kW, kH, 2, frame);
    EXPECT_NEAR(bars.barHeight(c.bin), c.height, 1e-3) << "bin " << c.bin << " at " << c.magnitude;
    EXPECT_FLOAT_EQ(bars.binValue(c.bin), c.magnitude);
  }
  // Bin 512 is never visited.
  SpectrumBars bars;
  SpectrumBars::Frame frame;
  bars.advance(flat(1.0f, SpectrumBars::kScratch), kW, kH, 2, frame);
  EXPECT_EQ(bars.binValue(512), 0.0f);
}

TEST(SpectrumBarsTest, BarsStandAtEveryThirdColumnAndFiftyFiveFitTheCanvas) {
  SpectrumBars bars;
  SpectrumBars::Frame frame;
  bars.advance(flat(1000.0f), kW, kH, 2, frame);
  ASSERT_EQ(frame.count, 511 / 3);
  static constexpr std::array<SpectrumRect, 3> kFirst{{{0, 0, 2, kH}, {3, 0, 5, kH}, {6, 0, 8, kH}}};
  for (int n = 0; n < 3; ++n) EXPECT_EQ(frame.bars[n], kFirst[n]) << n;
  int visible = 0;
  for (int n = 0; n < frame.count; ++n) visible += frame.bars[n].left < kW ? 1 : 0;
  EXPECT_EQ(visible, 55);

  // A bar is the mean of its three bins: 34, 34 and 0 give 22.67 -> top 11.
  SpectrumBars mixed;
  std::vector<float> one(256, 0.0f);
  one[0] = one[1] = 1000.0f;
  mixed.advance(one, kW, kH, 2, frame);
  EXPECT_EQ(frame.bars[0].top, 11);
  EXPECT_EQ(mixed.peakHeight(3), 22);

  // Wider bars: 4 pixels and a gap, every fifth bin.
  mixed.advance(one, kW, kH, 4, frame);
  EXPECT_EQ(frame.bars[0], (SpectrumRect{0, frame.bars[0].top, 4, kH}));
  EXPECT_EQ(frame.bars[1].left, 5);
}

TEST(SpectrumBarsTest, NoFftDataLeavesTheArraysAlone) {
  SpectrumBars bars;
  SpectrumBars::Frame frame;
  bars.advance(flat(1.0f), kW, kH, 2, frame);
  bars.advance({}, kW, kH, 2, frame);
  EXPECT_EQ(frame.count, 0);
  EXPECT_FLOAT_EQ(bars.barHeight(1), 34.0f);
  EXPECT_EQ(bars.peakHeight(3), 34);
}

}  // namespace
}  // namespace youran
