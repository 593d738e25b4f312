#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "playback/dsp/effect.h"
#include "playback/dsp/effect_parameters.h"

namespace youran {

// Freeverb-style network per channel: eight parallel damped comb filters
// into four series allpasses. The comb feedback is derived from the reverb
// time (the tail falls 60 dB in reverbTime), the damping from the
// high-frequency ratio. Buffers are sized at construction.
class Reverb final : public Effect {
 public:
  explicit Reverb(int rate);

  // False, and the previous parameters kept, for a set outside the ranges.
  bool setParameters(const ReverbParameters& p);
  const ReverbParameters& parameters() const { return params_; }

  void process(float* stereo, int frames) override;

 private:
  struct Comb {
    std::vector<float> line;
    size_t at = 0;
    float feedback = 0;
    float damp = 0;  // weight of the previous output in the loop's low-pass
    float store = 0;
  };
  struct Allpass {
    std::vector<float> line;
    size_t at = 0;
  };
  static constexpr int kCombs = 8;
  static constexpr int kAllpasses = 4;

  static constexpr int kBlock = 1024;
  static void combs(Comb& left, Comb& right, const float* inL, const float* inR, float* outL, float* outR, int n);
  static void allpass(Allpass& ap, float* x, int n);

  int rate_;
  ReverbParameters params_;
  std::array<std::array<Comb, kCombs>, 2> combs_;
  std::array<std::array<Allpass, kAllpasses>, 2> allpasses_;
  float inGain_ = 1, wetGain_ = 1;
  // Per-block work space, so process() never allocates.
  std::array<float, kBlock> inL_{}, inR_{}, outL_{}, outR_{};
};

}  // namespace youran
