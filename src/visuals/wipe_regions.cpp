#include "visuals/wipe_regions.h"

#include <algorithm>

namespace youran {

namespace {

int cut(double value) { return static_cast<int>(value); }

WipeRect normalised(int left, int top, int right, int bottom) {
  return {std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
}

bool validMode(int mode) { return mode >= 0 && mode < kWipeModes; }

int blindsStep(int steps) { return steps / 2; }

}  // namespace

WipeFrames wipeFrames(int mode, int steps) {
  if (steps < 1) steps = 1;
  if (mode == kBlindsMode) return {0, blindsStep(steps)};
  return {1, steps};
}

std::vector<WipeRect> revealRegion(int mode, int width, int height, int steps, int frame) {
  if (steps < 1) steps = 1;
  const WipeRect whole{0, 0, width, height};
  if (!validMode(mode)) return {whole};
  const double W = width, H = height, k = frame;
  const double dx = W / steps, dy = H / steps, m = std::max(W, H) / steps;
  switch (mode) {
    case 0: return {normalised(0, 0, cut(k * dx), height)};
    case 1: return {normalised(cut(W - k * dx), 0, width, height)};
    case 2: return {normalised(0, 0, width, cut(k * dy))};
    case 3: return {normalised(0, cut(H - k * dy), width, height)};
    case 4: return {normalised(0, 0, cut(k * dx), cut(k * dy))};
    case 5: return {normalised(0, height, cut(k * dx), cut(H - k * dy))};
    case 6: return {normalised(cut(W - k * dx), cut(k * dy), width, 0)};
    case 7: return {normalised(cut(W - k * dx), cut(H - k * dy), width, height)};
    case 8: {
      const double g = cut(W - k * dx);
      return {normalised(cut(g / 2), 0, cut(W - g / 2), height)};
    }
    case 9: {
      const double e = cut(k * dy);
      return {normalised(0, cut(H / 2 - e / 2), width, cut(H / 2 + e / 2))};
    }
    case 10:
    case 11: {
      const double a = mode == 10 ? cut(k * dx) : cut(k * m);
      const double b = mode == 10 ? cut(k * dy) : a;
      return {normalised(cut((W - a) / 2), cut((H - b) / 2), cut((W + a) / 2), cut((H + b) / 2))};
    }
    default: break;
  }
  // Blinds: n + 1 strips t apart, each growing to t lines. They reach only
  // (n + 1) x t lines down, so on a taller window the last frame shows the
  // whole window rather than leaving its bottom hidden.
  const int t = blindsStep(steps);
  const int j = std::clamp(frame, 0, t);
  if (j == t && height > (steps + 1) * t) return {whole};
  std::vector<WipeRect> strips;
  if (j == 0) return strips;
  strips.reserve(static_cast<std::size_t>(steps) + 1);
  for (int i = 0; i <= steps; ++i) strips.push_back({0, i * t, width, i * t + j});
  return strips;
}

std::vector<WipeRect> concealRegion(int mode, int width, int height, int steps, int frame) {
  if (steps < 1) steps = 1;
  if (!validMode(mode)) return {};
  if (mode <= 3 || mode == kBlindsMode) return windowMinus(width, height, revealRegion(mode, width, height, steps, frame));
  return {revealRegion(mode, width, height, steps, steps - frame)};
}

std::vector<WipeRect> windowMinus(int width, int height, const std::vector<WipeRect>& cutOut) {
  // Horizontal bands between every top and bottom edge; in each band the
  // columns no cut covers.
  std::vector<int> edges{0, height};
  std::vector<WipeRect> cuts;
  for (const auto& r : cutOut) {
    WipeRect c{std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, width), std::min(r.bottom, height)};
    if (c.empty()) continue;
    cuts.push_back(c);
    edges.push_back(c.top);
    edges.push_back(c.bottom);
  }
  std::sort(edges.begin(), edges.end());
  edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
  std::vector<WipeRect> result;
  std::vector<std::pair<int, int>> covered;
  for (size_t b = 0; b + 1 < edges.size(); ++b) {
    const int top = edges[b], bottom = edges[b + 1];
    covered.clear();
    for (const auto& c : cuts)
      if (c.top <= top && c.bottom >= bottom) covered.emplace_back(c.left, c.right);
    std::sort(covered.begin(), covered.end());
    int x = 0;
    for (const auto& [left, right] : covered) {
      if (left > x) result.push_back({x, top, left, bottom});
      x = std::max(x, right);
    }
    if (x < width) result.push_back({x, top, width, bottom});
  }
  return result;
}

}  // namespace youran
