#pragma once

// The loudness levelling stage: which gain a track gets from its tags or
// its measured loudness, the pre-amp and the clipping guard. The stream
// multiplies by the result before the equaliser.

#include <optional>
#include <string_view>

namespace youran {

enum class ReplayGainMode { kOff, kTrack, kAlbum };

// "off", "track", "album" (any letter case); nullopt for anything else.
std::optional<ReplayGainMode> ParseReplayGainMode(std::string_view text);
std::string_view ReplayGainModeName(ReplayGainMode mode);

// What is known of one track. Gains in dB relative to -18 LUFS; peaks
// linear.
struct GainFacts {
  std::optional<double> trackGain, trackPeak, albumGain, albumPeak;
};

struct AppliedGain {
  double factor = 1.0;  // linear
  double db = 0.0;      // what was applied, after the clipping guard
  bool clipped = false;  // the guard lowered the gain
};

// Album mode falls back to the track's values when the album's are unknown,
// and both to no change. The pre-amp is added to a known gain only. When a
// peak is known, the gain is lowered so the peak stays at full scale.
AppliedGain ComputeReplayGain(ReplayGainMode mode, double preampDb, const GainFacts& facts);

// The stage itself, on interleaved stereo frames.
inline void ApplyReplayGain(float* stereo, int frames, float factor) {
  if (factor == 1.0f) return;
  for (int i = 0; i < 2 * frames; ++i) stereo[i] *= factor;
}

}  // namespace youran
