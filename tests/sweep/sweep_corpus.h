#pragma once

// The files of the real-file sweep: every kind of audio file the tests make
// (ffmpeg tones in each container, the tagged tracks of the conversion tests,
// the fuzz seeds written from the tag and MIDI fixtures, the demo library),
// and mangled copies of them.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace youran::testing {

// Makes the fixtures in `folder` unless an earlier call finished there, and
// returns them (sorted, so a mutant's number always names the same copy).
// Empty when a tool the fixtures need failed; `problem` says which.
std::vector<std::filesystem::path> buildSweepFixtures(const std::filesystem::path& folder,
                                                      std::string& problem);

struct Mutant {
  std::filesystem::path file;
  std::string how;  // e.g. "bit flips x7 of tone.ogg"
};

// Copy number `n` of the fixtures, mangled in a way chosen by `n` alone:
// bit flips (often in the first kilobytes, where headers are), a cut at a
// random length, the start of one file spliced onto the rest of another, a
// run of bytes overwritten, or a span repeated. Written into `folder`.
Mutant writeMutant(const std::vector<std::filesystem::path>& fixtures, uint32_t n,
                   const std::filesystem::path& folder);

}  // namespace youran::testing
