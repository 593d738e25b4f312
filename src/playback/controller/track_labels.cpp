#include "playback/controller/track_labels.h"

#include <algorithm>

#include "base/text_trim.h"

namespace youran {

SongAndArtist splitDisplayName(std::string_view displayName) {
  auto dash = displayName.rfind('-');
  if (dash != std::string_view::npos) {
    auto artist = trimBlanks(displayName.substr(0, dash));
    auto song = trimBlanks(displayName.substr(dash + 1));
    if (!artist.empty() && !song.empty()) return {std::string(song), std::string(artist)};
  }
  return {std::string(trimBlanks(displayName)), std::string(kNoArtist)};
}

double ProgressGeometry::pixelsPerSecond(long long totalSeconds) {
  return totalSeconds > 0 ? static_cast<double>(kTrackPixels) / static_cast<double>(totalSeconds) : 0.0;
}

int ProgressGeometry::knobX(long long elapsedSeconds, double pixelsPerSecond) {
  double x = static_cast<double>(elapsedSeconds) * pixelsPerSecond + kKnobMin;
  return std::clamp(static_cast<int>(x), kKnobMin, kKnobMax);
}

double ProgressGeometry::secondsAt(int x, double pixelsPerSecond) {
  if (pixelsPerSecond <= 0) return 0;
  return std::max(0, x - kKnobMin) / pixelsPerSecond;
}

int ProgressGeometry::dragKnobX(int cursorX) { return std::clamp(cursorX - kKnobSize / 2, kKnobMin, kKnobMax); }

int ProgressGeometry::clickX(int cursorX) { return std::clamp(cursorX - kKnobSize, kKnobMin, kKnobMax); }

int VolumeGeometry::knobX(int percent) { return std::clamp(kKnobMin + percent, kKnobMin, kKnobMax); }

int VolumeGeometry::percentAt(int x) { return std::clamp(x - kKnobMin, 0, 100); }

VolumeGeometry::Drag VolumeGeometry::drag(int cursorX) {
  int x = cursorX - kKnobSize / 2;
  if (x < kKnobMin) return {kKnobMin, true};
  return {std::min(x, kKnobMax), false};
}

int VolumeGeometry::clickPercent(int cursorX) { return percentAt(cursorX - kKnobSize / 2); }

}  // namespace youran
