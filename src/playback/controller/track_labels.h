#pragma once

// What the labels show for a playing track, and the progress-track geometry
// the playback timer computes with.

#include <cstdint>
#include <string>
#include <string_view>

namespace youran {

inline constexpr std::string_view kNoArtist = "未和艺术家";

struct SongAndArtist {
  std::string song;
  std::string artist;
};

// The display name "artist-title" split at its last '-': the title goes to
// the song label and the artist to the artist label. A name without '-', or
// with nothing before it, is all song, by "未和艺术家".
SongAndArtist splitDisplayName(std::string_view displayName);

// The bottom bar's geometry, in main-window coordinates; the controller and
// the view both compute with it. Both knobs are 14 pixels wide.
inline constexpr int kKnobSize = 14;

// The progress track: knob left edge 382..706, 324 pixels for the whole
// track. Zero pixels per second for a track of no whole seconds, so nothing
// divides by zero and the knob stays at the start.
struct ProgressGeometry {
  static constexpr int kKnobMin = 382;
  static constexpr int kKnobMax = 706;
  static constexpr int kTrackPixels = kKnobMax - kKnobMin;

  static double pixelsPerSecond(long long totalSeconds);
  static int knobX(long long elapsedSeconds, double pixelsPerSecond);
  // Seconds for a knob (or click) position; 0 when the track has no length.
  static double secondsAt(int x, double pixelsPerSecond);
  // A drag puts the knob's centre under the cursor.
  static int dragKnobX(int cursorX);
  // A click on the track seeks to the cursor less the knob's width.
  static int clickX(int cursorX);
};

// The volume knob: left edge 816..916, and the volume is x − 816.
struct VolumeGeometry {
  static constexpr int kKnobMin = 816;
  static constexpr int kKnobMax = 916;

  static int knobX(int percent);
  static int percentAt(int x);
  // A drag tick: the knob under the cursor; past the left end it stays at
  // 816 and the drag ends, past the right end it stays at 916 and goes on.
  struct Drag {
    int x;
    bool ends;
  };
  static Drag drag(int cursorX);
  // A click on the track: the cursor less half the knob.
  static int clickPercent(int cursorX);
};

// End of a track by polling: the position has come within 9999 bytes of the
// length (a track shorter than that ends at the first tick).
inline bool trackEnded(int64_t position, uint32_t lengthLow32) {
  return position >= static_cast<int64_t>(lengthLow32) - 9999;
}

}  // namespace youran
