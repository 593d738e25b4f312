#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "playback/audio_engine.h"
#include "support/audio_fixtures.h"

namespace youran::testing {

// Plays `file` from its start (or from `startBytes`) through a WAV file
// output on `engine`, letting `setup` attach effects first; renders at most
// maxFrames frames (all of the stream when -1). The stream handle is passed
// to `after` before the engine is freed.
struct Rendered {
  bool created = false;  // createStream gave a handle
  bool ok = false;       // and the stream played to its end (or the limit)
  WavData wav;
  int64_t lengthBytes = -1;    // getLength once the stream had ended
  int64_t positionBytes = -1;  // getPosition then
};
Rendered renderThroughWav(AudioEngine& engine, const std::filesystem::path& file,
                          const std::filesystem::path& out, int64_t maxFrames = -1,
                          const std::function<void(uint32_t)>& setup = {}, int64_t startBytes = 0);

// Polls `done` every millisecond for up to `seconds`.
bool waitFor(const std::function<bool()>& done, double seconds);

// Level in dB of a tone of `frequency` in samples [from, to) of a channel.
double toneDb(const std::vector<float>& x, size_t from, size_t to, double frequency, int rate);

// RT60 in seconds of the tail that starts at `tailStart`, from the Schroeder
// backward integral fitted between -5 and -35 dB; -1 when it does not fall.
double rt60(const std::vector<float>& x, size_t tailStart, int rate);

}  // namespace youran::testing
