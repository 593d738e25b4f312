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
  // Both channels in one pass: two independent recursions keep the
  // multiplier busy while each waits for its previous output.
  double lx1 = x1_[0], lx2 = x2_[0], ly1 = y1_[0], ly2 = y2_[0];
  double rx1 = x1_[1], rx2 = x2_[1], ry1 = y1_[1], ry2 = y2_[1];
  const double b0 = b0_, b1 = b1_, b2 = b2_, a1 = a1_, a2 = a2_;
  for (int i = 0; i < frames; ++i) {
    double l = stereo[2 * i], r = stereo[2 * i + 1];
    double yl = b0 * l + b1 * lx1 + b2 * lx2 - a1 * ly1 - a2 * ly2;
    double yr = b0 * r + b1 * rx1 + b2 * rx2 - a1 * ry1 - a2 * ry2;
    lx2 = lx1;
    lx1 = l;
    ly2 = ly1;
    ly1 = yl;
    rx2 = rx1;
    rx1 = r;
    ry2 = ry1;
    ry1 = yr;
    stereo[2 * i] = static_cast<float>(yl);
    stereo[2 * i + 1] = static_cast<float>(yr);
  }
  // Denormals would make a decaying filter crawl on some CPUs.
  auto tiny = [](double& v) {
    if (std::fabs(v) < 1e-20) v = 0;
  };
  tiny(ly1), tiny(ly2), tiny(ry1), tiny(ry2);
  x1_ = {lx1, rx1};
  x2_ = {lx2, rx2};
  y1_ = {ly1, ry1};
  y2_ = {ly2, ry2};
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

void PeakingBiquad::flushTiny() {
  for (auto* v : {&y1_, &y2_}) {
    for (double& y : *v) {
      if (std::fabs(y) < 1e-20) y = 0;
    }
  }
}

void Equalizer::process(float* stereo, int frames) {
  std::array<PeakingBiquad*, kSlots> active{};
  int count = 0;
  for (auto& f : filters_) {
    if (!f.neutral()) active[count++] = &f;
  }
  if (count == 0) return;
  if (count == 1) return active[0]->process(stereo, frames);
  // Several bands: run the cascade frame by frame. Each band's recursion
  // waits on its own previous output; going band after band within a frame
  // lets the processor overlap the bands instead of waiting on each in turn.
  for (int i = 0; i < frames; ++i) {
    double l = stereo[2 * i], r = stereo[2 * i + 1];
    for (int b = 0; b < count; ++b) active[b]->step(l, r);
    stereo[2 * i] = static_cast<float>(l);
    stereo[2 * i + 1] = static_cast<float>(r);
  }
  for (int b = 0; b < count; ++b) active[b]->flushTiny();
}

}  // namespace youran
