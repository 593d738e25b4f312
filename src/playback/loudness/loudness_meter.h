#pragma once

// EBU R128 integrated loudness and sample peak of decoded files, measured
// with libebur128 over what the engine's decoder gives.

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace youran {

struct Loudness {
  // LUFS; -infinity for digital silence (no gating block above -70 LUFS).
  double integratedLufs = 0;
  // Largest absolute sample, 1.0 = full scale.
  double samplePeak = 0;
};

// The loudness the ReplayGain 2 gains aim at.
inline constexpr double kReferenceLufs = -18.0;

// Measures one file. nullopt when it cannot be decoded.
std::optional<Loudness> MeasureLoudness(const std::string& path);

struct AlbumMeasurement {
  std::vector<std::optional<Loudness>> tracks;  // in the order given
  std::optional<Loudness> album;  // every decodable track taken together
};

// Measures the tracks of one album and the album as a whole (the gating runs
// over all of their blocks at once, not an average of the tracks). When
// `cancel` becomes true the measuring stops and the result is empty.
AlbumMeasurement MeasureAlbumLoudness(const std::vector<std::string>& paths,
                                      const std::atomic<bool>* cancel = nullptr);

// Called with each path on the thread that measures it, before it is
// decoded. Empty by default; tests use it to see where measuring runs.
void SetLoudnessMeasuringObserver(std::function<void(const std::string& path)> observer);

}  // namespace youran
