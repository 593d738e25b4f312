#include "playback/dsp/replay_gain.h"

#include <strings.h>

#include <cmath>

namespace youran {

namespace {

bool Same(std::string_view a, std::string_view b) {
  return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace

std::optional<ReplayGainMode> ParseReplayGainMode(std::string_view text) {
  if (Same(text, "off")) return ReplayGainMode::kOff;
  if (Same(text, "track")) return ReplayGainMode::kTrack;
  if (Same(text, "album")) return ReplayGainMode::kAlbum;
  return std::nullopt;
}

std::string_view ReplayGainModeName(ReplayGainMode mode) {
  switch (mode) {
    case ReplayGainMode::kTrack:
      return "track";
    case ReplayGainMode::kAlbum:
      return "album";
    case ReplayGainMode::kOff:
      break;
  }
  return "off";
}

AppliedGain ComputeReplayGain(ReplayGainMode mode, double preampDb, const GainFacts& facts) {
  AppliedGain out;
  if (mode == ReplayGainMode::kOff) return out;
  std::optional<double> gain = facts.trackGain;
  std::optional<double> peak = facts.trackPeak;
  if (mode == ReplayGainMode::kAlbum && facts.albumGain) {
    gain = facts.albumGain;
    peak = facts.albumPeak ? facts.albumPeak : facts.trackPeak;
  }
  if (!gain || !std::isfinite(*gain)) return out;
  double db = *gain + (std::isfinite(preampDb) ? preampDb : 0.0);
  if (peak && *peak > 0 && std::isfinite(*peak)) {
    const double limit = -20.0 * std::log10(*peak);
    if (db > limit) {
      db = limit;
      out.clipped = true;
    }
  }
  out.db = db;
  out.factor = std::pow(10.0, db / 20.0);
  return out;
}

}  // namespace youran
