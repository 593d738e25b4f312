#pragma once

// The region wipes that open and close the player's windows: for each frame
// of a wipe, the rectangles of the window that are visible. Thirteen shapes
// (modes 0..12): from an edge, from a corner, from a centre line, from the
// centre, and blinds.

#include <vector>

namespace youran {

struct WipeRect {
  int left = 0;
  int top = 0;
  int right = 0;  // outside, like the bottom
  int bottom = 0;
  bool operator==(const WipeRect&) const = default;
  bool empty() const { return right <= left || bottom <= top; }
};

inline constexpr int kWipeModes = 13;
inline constexpr int kBlindsMode = 12;

// Frames of a wipe: k = 1..n, except the blinds whose frames are
// j = 0..trunc(n / 2). Returns how many there are and the first index.
struct WipeFrames {
  int first = 1;
  int last = 0;
};
WipeFrames wipeFrames(int mode, int steps);

// The visible part at frame `frame` of a reveal of a W x H window in
// `steps` steps. The union of the rectangles is what shows; they may reach
// past the window (mode 11) and are normalised (left <= right, top <=
// bottom). A mode outside 0..12 shows the whole window at once.
std::vector<WipeRect> revealRegion(int mode, int width, int height, int steps, int frame);

// The same frame of a conceal: edges (0..3) hide from the edge the reveal
// started at, corners, lines and centres (4..11) shrink back to where they
// grew from, the blinds close. Its last frame shows nothing.
std::vector<WipeRect> concealRegion(int mode, int width, int height, int steps, int frame);

// The window W x H minus the union of `cut`, as disjoint rectangles.
std::vector<WipeRect> windowMinus(int width, int height, const std::vector<WipeRect>& cut);

}  // namespace youran
