#pragma once

#include <array>

#include "playback/dsp/effect.h"
#include "playback/dsp/effect_parameters.h"

namespace youran {

// Peaking biquad (the bilinear-transform design with the bandwidth given in
// octaves between the half-gain points), one per channel.
class PeakingBiquad {
 public:
  void design(const EqParameters& p, int rate);
  void process(float* stereo, int frames);
  // One frame, both channels, in double precision; for the cascade below.
  void step(double& left, double& right) {
    double yl = b0_ * left + b1_ * x1_[0] + b2_ * x2_[0] - a1_ * y1_[0] - a2_ * y2_[0];
    double yr = b0_ * right + b1_ * x1_[1] + b2_ * x2_[1] - a1_ * y1_[1] - a2_ * y2_[1];
    x2_ = x1_;
    x1_ = {left, right};
    y2_ = y1_;
    y1_ = {yl, yr};
    left = yl;
    right = yr;
  }
  void flushTiny();
  bool neutral() const { return neutral_; }

 private:
  double b0_ = 1, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
  std::array<double, 2> x1_{}, x2_{}, y1_{}, y2_{};
  bool neutral_ = true;
};

// The 36-slot parametric equaliser. Slots are numbered 1..36; a slot whose
// gain is 0 passes audio untouched and costs nothing.
class Equalizer final : public Effect {
 public:
  static constexpr int kSlots = 36;

  Equalizer(int outputRate, int streamRate);

  // False, and the slot unchanged, for a slot outside 1..36 or a set outside
  // the accepted ranges.
  bool setBand(int slot, const EqParameters& p);
  EqParameters band(int slot) const;

  void process(float* stereo, int frames) override;

 private:
  int outputRate_;
  int streamRate_;
  std::array<EqParameters, kSlots> params_{};
  std::array<PeakingBiquad, kSlots> filters_{};
};

}  // namespace youran
