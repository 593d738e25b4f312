#pragma once

#include <vector>

struct SwrContext;

namespace youran {

// Turns a stream's own frames (interleaved float, any rate and channel
// count) into the output's stereo float at the output's rate. Mono is
// doubled and stereo copied at equal rates; anything else goes through
// libswresample. Used by one thread at a time.
class Resampler {
 public:
  Resampler(int inRate, int inChannels, int outRate);
  ~Resampler();
  Resampler(const Resampler&) = delete;
  Resampler& operator=(const Resampler&) = delete;

  bool ok() const { return direct_ || swr_ != nullptr; }

  // Appends the converted frames to `out` (stereo interleaved).
  void convert(const float* in, int frames, std::vector<float>& out);
  // Appends what the resampler still holds at the end of the stream.
  void flush(std::vector<float>& out);
  // Forgets held samples (after a seek).
  void reset();

 private:
  void create();

  int inRate_, inChannels_, outRate_;
  bool direct_;
  SwrContext* swr_ = nullptr;
};

}  // namespace youran
