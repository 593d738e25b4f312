// youranmusic-cli loudness FILE... [--album]
// One JSON line per file: the EBU R128 integrated loudness and sample peak
// measured with libebur128, the gains the file's tags carry, and which of
// the two the player would use (tags first). --album also measures the files
// together as one album.

#include <cmath>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/command.h"
#include "playback/dsp/replay_gain.h"
#include "playback/loudness/loudness_meter.h"
#include "tags/replay_gain_tags.h"

namespace {

constexpr const char* kUsage = "loudness FILE... [--album]";

nlohmann::ordered_json Number(std::optional<double> value) {
  if (!value || !std::isfinite(*value)) return nullptr;
  return std::round(*value * 10000.0) / 10000.0;
}

int runLoudness(std::span<char*> args) {
  std::vector<std::string> files;
  bool album = false;
  for (std::string_view a : args) {
    if (a == "--album") {
      album = true;
    } else if (a.starts_with("--")) {
      std::fprintf(stderr, "youranmusic-cli loudness: unknown option %s\nusage: youranmusic-cli %s\n",
                   std::string(a).c_str(), kUsage);
      return 2;
    } else {
      files.emplace_back(a);
    }
  }
  if (files.empty()) {
    std::fprintf(stderr, "usage: youranmusic-cli %s\n", kUsage);
    return 2;
  }
  // Without --album every file is measured and forgotten in turn.
  youran::AlbumMeasurement measured;
  if (album) measured = youran::MeasureAlbumLoudness(files);
  int failures = 0;
  for (size_t i = 0; i < files.size(); ++i) {
    nlohmann::ordered_json line;
    line["path"] = files[i];
    const auto loudness = album ? measured.tracks[i] : youran::MeasureLoudness(files[i]);
    if (!loudness) {
      line["error"] = "cannot decode";
      ++failures;
    } else {
      line["integrated_lufs"] = Number(loudness->integratedLufs);
      line["sample_peak"] = Number(loudness->samplePeak);
    }
    const youran::ReplayGainTags tags = youran::ReadReplayGainTags(files[i]);
    nlohmann::ordered_json fromTags = nlohmann::ordered_json::object();
    if (tags.trackGain) fromTags["track_gain_db"] = Number(tags.trackGain);
    if (tags.trackPeak) fromTags["track_peak"] = Number(tags.trackPeak);
    if (tags.albumGain) fromTags["album_gain_db"] = Number(tags.albumGain);
    if (tags.albumPeak) fromTags["album_peak"] = Number(tags.albumPeak);
    if (tags.opusHeaderGain) fromTags["opus_header_gain_db"] = Number(tags.opusHeaderGain);
    line["tags"] = fromTags;
    std::optional<double> measuredGain;
    if (loudness && std::isfinite(loudness->integratedLufs)) {
      measuredGain = youran::kReferenceLufs - loudness->integratedLufs;
    }
    line["measured_gain_db"] = Number(measuredGain);
    if (album && measured.album) {
      line["album_lufs"] = Number(measured.album->integratedLufs);
      line["album_peak"] = Number(measured.album->samplePeak);
    }
    line["used"] = tags.trackGain ? "tags" : (measuredGain ? "measured" : "none");
    const std::string text = line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    std::printf("%s\n", text.c_str());
  }
  std::fflush(stdout);
  return failures ? 1 : 0;
}

}  // namespace

YOURAN_CLI_COMMAND(loudness, "loudness", kUsage, runLoudness);
