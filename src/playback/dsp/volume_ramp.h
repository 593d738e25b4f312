#pragma once

#include <algorithm>

namespace youran {

// Stream volume, 0..1. Changes never step: each one is a straight ramp from
// the gain heard now to the new target.
class VolumeRamp {
 public:
  // Jumps straight to `gain`; for a stream nothing has been heard from yet.
  void set(float gain) {
    gain_ = target_ = gain;
    left_ = 0;
  }
  void rampTo(float target, int frames) {
    target_ = target;
    if (frames <= 0) return set(target);
    step_ = (target_ - gain_) / static_cast<float>(frames);
    left_ = frames;
  }
  float target() const { return target_; }
  float current() const { return gain_; }

  void process(float* stereo, int frames) {
    int i = 0;
    for (; i < frames && left_ > 0; ++i, --left_) {
      gain_ += step_;
      stereo[2 * i] *= gain_;
      stereo[2 * i + 1] *= gain_;
    }
    if (left_ == 0) gain_ = target_;
    if (gain_ == 1.0f) return;
    for (; i < frames; ++i) {
      stereo[2 * i] *= gain_;
      stereo[2 * i + 1] *= gain_;
    }
  }

 private:
  float gain_ = 1.0f;
  float target_ = 1.0f;
  float step_ = 0.0f;
  int left_ = 0;
};

}  // namespace youran
