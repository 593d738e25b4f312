#pragma once

// The rings of a window's drop shadow: s one-pixel rounded outlines around
// the owner, the outermost faintest, the one against the owner darkest.

#include <vector>

namespace youran {

struct ShadowRing {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  int alpha = 0;
  bool operator==(const ShadowRing&) const = default;
};

inline constexpr int kShadowCornerRadius = 4;
inline constexpr int kDefaultShadowSize = 5;

// Alpha step: trunc(150 / s) above 8 pixels, trunc(100 / s) otherwise.
int shadowAlphaStep(int size);

// Ring i = 1..s of a W x H shadow window: at (i - 1, i - 1), W - 2i + 1 by
// H - 2i + 1, alpha trunc(step x i). Empty for a size below 1.
std::vector<ShadowRing> shadowRings(int width, int height, int size);

}  // namespace youran
