#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace youran::testing {

// Encodes `seconds` of an ffmpeg lavfi source (a sine by default) into
// `path`, with the codec ffmpeg picks for the extension unless `codecArgs`
// says otherwise. Returns false when ffmpeg fails.
bool encodeAudio(const std::filesystem::path& path, const std::string& lavfiSource, int rate, int channels,
                 const std::string& codecArgs = {});

// "sine=frequency=F:duration=S" with the amplitude ffmpeg's sine uses (1/8),
// or a full-scale tone through aevalsrc.
std::string sineSource(double frequency, double seconds);
std::string toneSource(double frequency, double seconds, double amplitude);

// A WAV file read back: interleaved float samples of any PCM or float WAV.
struct WavData {
  int rate = 0;
  int channels = 0;
  std::vector<float> samples;
  int64_t frames() const { return channels ? int64_t(samples.size()) / channels : 0; }
  std::vector<float> channel(int c) const;
};
bool readWav(const std::filesystem::path& path, WavData& out);

// Amplitude of a sine of `frequency` in `x` (Goertzel over the whole span).
double toneAmplitude(const float* x, size_t n, double frequency, int rate);
double peakAbs(const float* x, size_t n);

// A file of the test decoder plug-in's own format: magic, rate, channels,
// amplitude, frames and pitch of a tone.
std::string ytoneFile(uint32_t rate, uint16_t channels, uint16_t amplitude, uint32_t frames, uint32_t hz);

}  // namespace youran::testing
