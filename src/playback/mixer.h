#pragma once

#include <array>
#include <atomic>
#include <mutex>

#include "playback/output/audio_output.h"

namespace youran {

class Stream;

// Adds up the playing streams for the output and applies the device's
// per-channel gain (the balance). The list of playing streams is guarded by
// one lock that the output thread holds while it renders a block and the
// control calls hold only to add or remove a stream; a stream is removed
// here before it is destroyed.
class Mixer final : public AudioSource {
 public:
  static constexpr int kMaxPlaying = 16;

  int render(float* stereo, int frames, bool waitForData) override;

  // False when kMaxPlaying streams already play.
  bool add(Stream* stream);
  void remove(Stream* stream);
  void clear();

  // Channel 0 left, 1 right; 0..1. Refused (false) outside those.
  bool setChannelGain(int channel, float gain);
  float channelGain(int channel) const;

 private:
  void waitUntilReady(int frames);

  std::mutex lock_;
  std::array<Stream*, kMaxPlaying> playing_{};
  int count_ = 0;
  std::array<std::atomic<float>, 2> gain_{1.0f, 1.0f};
};

}  // namespace youran
