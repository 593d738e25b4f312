#include "playback/loudness/track_leveling.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "playback/loudness/loudness_meter.h"
#include "settings/settings_file.h"
#include "tags/replay_gain_tags.h"

namespace youran {

namespace {

std::optional<double> GainOf(const Loudness& loudness) {
  if (!std::isfinite(loudness.integratedLufs)) return std::nullopt;
  return kReferenceLufs - loudness.integratedLufs;
}

}  // namespace

GainFacts GainFactsFor(const std::string& path, LoudnessStore* store, bool measureIfUnknown) {
  GainFacts facts;
  const ReplayGainTags tags = ReadReplayGainTags(path);
  if (tags.trackGain || tags.albumGain) {
    facts.trackGain = tags.trackGain;
    facts.trackPeak = tags.trackPeak;
    facts.albumGain = tags.albumGain;
    facts.albumPeak = tags.albumPeak;
    return facts;
  }
  StoredLoudness known;
  if (auto stored = store ? store->findCurrent(path) : std::nullopt) {
    known = *stored;
  } else if (auto measured = measureIfUnknown ? MeasureLoudness(path) : std::nullopt) {
    known.track = *measured;
  } else {
    return facts;
  }
  facts.trackGain = GainOf(known.track);
  facts.trackPeak = known.track.samplePeak;
  if (known.album) {
    facts.albumGain = GainOf(*known.album);
    facts.albumPeak = known.album->samplePeak;
  }
  return facts;
}

void TrackLeveling::setPreampDb(double db) { preamp_.store(std::isfinite(db) ? std::clamp(db, -15.0, 15.0) : 0.0); }

void TrackLeveling::loadSettings() {
  setMode(ParseReplayGainMode(readSetting(kPlaybackSection, kReplayGainKey)).value_or(ReplayGainMode::kOff));
  const std::string preamp = readSetting(kPlaybackSection, kPreampKey);
  char* end = nullptr;
  const double db = std::strtod(preamp.c_str(), &end);
  setPreampDb(!preamp.empty() && end && *end == '\0' ? db : 0.0);
}

double TrackLeveling::factorFor(const std::string& path) const {
  const ReplayGainMode mode = mode_.load();
  if (mode == ReplayGainMode::kOff) return 1.0;
  return ComputeReplayGain(mode, preamp_.load(), GainFactsFor(path, store_.get(), false)).factor;
}

}  // namespace youran
