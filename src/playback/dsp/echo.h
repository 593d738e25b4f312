#pragma once

#include <cstddef>
#include <vector>

#include "playback/dsp/effect.h"
#include "playback/dsp/effect_parameters.h"

namespace youran {

// A stereo feedback delay. The delay lines are sized for the longest delay
// at construction, so a parameter change never allocates.
class Echo final : public Effect {
 public:
  explicit Echo(int rate);

  // False, and the previous parameters kept, for a set outside the ranges.
  bool setParameters(const EchoParameters& p);
  const EchoParameters& parameters() const { return params_; }

  void process(float* stereo, int frames) override;

 private:
  int rate_;
  EchoParameters params_;
  std::vector<float> left_, right_;  // what went into each delay line
  size_t write_ = 0;
  size_t leftDelay_ = 0, rightDelay_ = 0;
  float wet_ = 0, dry_ = 0, feedback_ = 0;
};

}  // namespace youran
