#pragma once

#include <filesystem>

namespace youran::testing {

// A 16-bit PCM WAV file with a sine tone: `frames` samples per channel.
void writeToneWav(const std::filesystem::path& path, int frames, int rate = 44100, int channels = 2,
                  double frequency = 440.0, double amplitude = 0.3);

}  // namespace youran::testing
