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

}  // namespace youran::testing
