#include "playback/dsp/equalizer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace youran {

bool EqParameters::valid(int streamRate) const {
  return centre >= 80.0f && centre <= 16000.0f && centre < 0.45f * static_cast<float>(streamRate) &&
         bandwidth >= 1.0f && bandwidth <= 36.0f && gain >= -15.0f && gain <= 15.0f;
}

void PeakingBiquad::design(const EqParameters& p, int rate) {
  neutral_ = p.gain == 0.0f;
  if (neutral_) {
    x1_ = x2_ = y1_ = y2_ = {};
    return;
  }
  // A centre the output rate cannot carry is pulled just under its Nyquist.
  double f0 = std::min<double>(p.centre, 0.45 * rate);
  double w0 = 2.0 * std::numbers::pi * f0 / rate;
  double octaves = p.bandwidth / 12.0;
  double sinw = std::sin(w0);
  double alpha = sinw * std::sinh(std::log(2.0) / 2.0 * octaves * w0 / sinw);
  double a = std::pow(10.0, p.gain / 40.0);
  double a0 = 1.0 + alpha / a;
  b0_ = (1.0 + alpha * a) / a0;
  b1_ = -2.0 * std::cos(w0) / a0;
  b2_ = (1.0 - alpha * a) / a0;
  a1_ = b1_;
  a2_ = (1.0 - alpha / a) / a0;
}

void PeakingBiquad::process(float* stereo, int frames) {
  for (int c = 0; c < 2; ++c) {
    double x1 = x1_[c], x2 = x2_[c], y1 = y1_[c], y2 = y2_[c];
    float* s = stereo + c;
    for (int i = 0; i < frames; ++i, s += 2) {
      double x = *s;
      double y = b0_ * x + b1_ * x1 + b2_ * x2 - a1_ * y1 - a2_ * y2;
      x2 = x1;
      x1 = x;
      y2 = y1;
      y1 = y;
      *s = static_cast<float>(y);
    }
    // Denormals would make a decaying filter crawl on some CPUs.
    if (std::fabs(y1) < 1e-20) y1 = 0;
    if (std::fabs(y2) < 1e-20) y2 = 0;
    x1_[c] = x1;
    x2_[c] = x2;
    y1_[c] = y1;
    y2_[c] = y2;
  }
}

Equalizer::Equalizer(int outputRate, int streamRate) : outputRate_(outputRate), streamRate_(streamRate) {}

bool Equalizer::setBand(int slot, const EqParameters& p) {
  if (slot < 1 || slot > kSlots || !p.valid(streamRate_)) return false;
  params_[slot - 1] = p;
  filters_[slot - 1].design(p, outputRate_);
  return true;
}

EqParameters Equalizer::band(int slot) const {
  if (slot < 1 || slot > kSlots) return {};
  return params_[slot - 1];
}

void Equalizer::process(float* stereo, int frames) {
  for (auto& f : filters_) {
    if (!f.neutral()) f.process(stereo, frames);
  }
}

}  // namespace youran
