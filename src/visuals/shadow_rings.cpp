#include "visuals/shadow_rings.h"

#include <cstddef>

namespace youran {

int shadowAlphaStep(int size) {
  if (size < 1) return 0;
  return size > 8 ? 150 / size : 100 / size;
}

std::vector<ShadowRing> shadowRings(int width, int height, int size) {
  std::vector<ShadowRing> rings;
  if (size < 1) return rings;
  const int step = shadowAlphaStep(size);
  rings.reserve(static_cast<std::size_t>(size));
  for (int i = 1; i <= size; ++i)
    rings.push_back({i - 1, i - 1, width - 2 * i + 1, height - 2 * i + 1, step * i});
  return rings;
}

}  // namespace youran
