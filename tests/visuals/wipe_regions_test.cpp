// Wipe shapes frame by frame, and the drop shadow's rings.
#include "visuals/wipe_regions.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "visuals/shadow_rings.h"

namespace youran {
namespace {

constexpr int kW = 968;
constexpr int kH = 560;
constexpr int kN = 33;

// Visible pixels of a region: the union, clipped to the window.
long long area(const std::vector<WipeRect>& rects, int width = kW, int height = kH) {
  const auto hidden = windowMinus(width, height, rects);
  long long hiddenArea = 0;
  for (const auto& r : hidden) hiddenArea += static_cast<long long>(r.right - r.left) * (r.bottom - r.top);
  return static_cast<long long>(width) * height - hiddenArea;
}

TEST(WipeRegionsTest, EveryModeAtTheFirstMiddleAndLastStep) {
  struct Row {
    int mode;
    WipeRect k1, k16, k33;
  };
  // dx = 29.33, dy = 16.97, m = 29.33 on 968 x 560.
  static const std::array<Row, 12> kRows{{
      {0, {0, 0, 29, 560}, {0, 0, 469, 560}, {0, 0, 968, 560}},
      {1, {938, 0, 968, 560}, {498, 0, 968, 560}, {0, 0, 968, 560}},
      {2, {0, 0, 968, 16}, {0, 0, 968, 271}, {0, 0, 968, 560}},
      {3, {0, 543, 968, 560}, {0, 288, 968, 560}, {0, 0, 968, 560}},
      {4, {0, 0, 29, 16}, {0, 0, 469, 271}, {0, 0, 968, 560}},
      {5, {0, 543, 29, 560}, {0, 288, 469, 560}, {0, 0, 968, 560}},
      {6, {938, 0, 968, 16}, {498, 0, 968, 271}, {0, 0, 968, 560}},
      {7, {938, 543, 968, 560}, {498, 288, 968, 560}, {0, 0, 968, 560}},
      // g = 938 -> 469 .. 499; g = 498 -> 249 .. 719; g = 0
      {8, {469, 0, 499, 560}, {249, 0, 719, 560}, {0, 0, 968, 560}},
      // e = 16 -> 272 .. 288; e = 271 -> 144 .. 415
      {9, {0, 272, 968, 288}, {0, 144, 968, 415}, {0, 0, 968, 560}},
      // a = 29, b = 16; a = 469, b = 271
      {10, {469, 272, 498, 288}, {249, 144, 718, 415}, {0, 0, 968, 560}},
      // a = b = 29; 469; 968: the square grows past the window's height
      {11, {469, 265, 498, 294}, {249, 45, 718, 514}, {0, -204, 968, 764}},
  }};
  for (const auto& row : kRows) {
    EXPECT_EQ(revealRegion(row.mode, kW, kH, kN, 1), std::vector<WipeRect>{row.k1}) << "mode " << row.mode;
    EXPECT_EQ(revealRegion(row.mode, kW, kH, kN, 16), std::vector<WipeRect>{row.k16}) << "mode " << row.mode;
    EXPECT_EQ(revealRegion(row.mode, kW, kH, kN, 33), std::vector<WipeRect>{row.k33}) << "mode " << row.mode;
    EXPECT_EQ(area(revealRegion(row.mode, kW, kH, kN, 33)), kW * kH) << "mode " << row.mode;
    EXPECT_EQ(wipeFrames(row.mode, kN).first, 1);
    EXPECT_EQ(wipeFrames(row.mode, kN).last, kN);
  }
}

TEST(WipeRegionsTest, BlindsOpenSixteenLinesInEveryStrip) {
  EXPECT_EQ(wipeFrames(kBlindsMode, kN).first, 0);
  EXPECT_EQ(wipeFrames(kBlindsMode, kN).last, 16);
  EXPECT_TRUE(revealRegion(kBlindsMode, kW, 400, kN, 0).empty());
  const auto one = revealRegion(kBlindsMode, kW, 400, kN, 1);
  ASSERT_EQ(one.size(), 34u);
  EXPECT_EQ(one[0], (WipeRect{0, 0, kW, 1}));
  EXPECT_EQ(one[1], (WipeRect{0, 16, kW, 17}));
  EXPECT_EQ(one[33], (WipeRect{0, 528, kW, 529}));
  const auto eight = revealRegion(kBlindsMode, kW, 400, kN, 8);
  EXPECT_EQ(eight[2], (WipeRect{0, 32, kW, 40}));
  EXPECT_EQ(area(eight, kW, 400), 25LL * kW * 8);  // 25 strips start above 400
  // 34 strips of 16 lines cover 544 lines: all of a 400-line window...
  EXPECT_EQ(area(revealRegion(kBlindsMode, kW, 400, kN, 16), kW, 400), kW * 400LL);
  // ...and on the 560-line main window the last frame shows it whole too.
  EXPECT_EQ(revealRegion(kBlindsMode, kW, kH, kN, 16), std::vector<WipeRect>{(WipeRect{0, 0, kW, kH})});
  EXPECT_EQ(area(revealRegion(kBlindsMode, kW, kH, kN, 15)), 34LL * kW * 15);
}

TEST(WipeRegionsTest, ConcealMirrorsTheReveal) {
  for (int mode = 0; mode < kWipeModes; ++mode) {
    const auto frames = wipeFrames(mode, kN);
    long long previous = static_cast<long long>(kW) * kH + 1;
    for (int k = frames.first; k <= frames.last; ++k) {
      const auto shown = concealRegion(mode, kW, kH, kN, k);
      const long long now = area(shown);
      EXPECT_LE(now, previous) << "mode " << mode << " frame " << k << " uncovers again";
      previous = now;
      if (mode <= 3 || mode == kBlindsMode) {
        // What shows is exactly what the reveal had not yet uncovered.
        EXPECT_EQ(now + area(revealRegion(mode, kW, kH, kN, k)), static_cast<long long>(kW) * kH)
            << "mode " << mode << " frame " << k;
      } else {
        EXPECT_EQ(shown, revealRegion(mode, kW, kH, kN, kN - k)) << "mode " << mode << " frame " << k;
      }
    }
    EXPECT_EQ(previous, 0) << "mode " << mode << " ends hidden";
  }
  // Edges hide from the edge the reveal started at: mode 0's first conceal
  // frame keeps everything right of column 29.
  EXPECT_EQ(concealRegion(0, kW, kH, kN, 1), std::vector<WipeRect>{(WipeRect{29, 0, kW, kH})});
}

TEST(WipeRegionsTest, ModesOutsideTheTableShowTheWindowAtOnce) {
  for (int mode : {-1, 13, 99}) {
    EXPECT_EQ(revealRegion(mode, kW, kH, kN, 1), std::vector<WipeRect>{(WipeRect{0, 0, kW, kH})});
    EXPECT_TRUE(concealRegion(mode, kW, kH, kN, 1).empty());
  }
  // Zero steps count as one.
  EXPECT_EQ(revealRegion(0, kW, kH, 0, 1), std::vector<WipeRect>{(WipeRect{0, 0, kW, kH})});
}

TEST(ShadowRingsTest, AlphaRisesTowardsTheOwner) {
  struct Case {
    int size;
    int step;
    int firstAlpha;
    int lastAlpha;
  };
  static constexpr std::array<Case, 5> kCases{{
      {5, 20, 20, 100}, {10, 15, 15, 150}, {8, 12, 12, 96}, {9, 16, 16, 144}, {1, 100, 100, 100},
  }};
  for (const auto& c : kCases) {
    EXPECT_EQ(shadowAlphaStep(c.size), c.step) << c.size;
    const auto rings = shadowRings(200, 100, c.size);
    ASSERT_EQ(static_cast<int>(rings.size()), c.size);
    EXPECT_EQ(rings.front().alpha, c.firstAlpha);
    EXPECT_EQ(rings.back().alpha, c.lastAlpha);
    for (int i = 1; i <= c.size; ++i) EXPECT_EQ(rings[i - 1].alpha, c.step * i);
  }
  const auto rings = shadowRings(978, 570, 5);
  EXPECT_EQ(rings[0], (ShadowRing{0, 0, 977, 569, 20}));
  EXPECT_EQ(rings[4], (ShadowRing{4, 4, 969, 561, 100}));
  EXPECT_TRUE(shadowRings(100, 100, 0).empty());
}

}  // namespace
}  // namespace youran
