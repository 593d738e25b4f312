#include "playback/dsp/reverb.h"

#include <algorithm>
#include <cmath>

namespace youran {

namespace {

// Delay lengths in samples at 44.1 kHz (mutually prime so the modes of the
// combs interleave); the right channel's lines are a few samples longer to
// decorrelate the two sides.
constexpr std::array<int, 8> kCombTuning = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr std::array<int, 4> kAllpassTuning = {556, 441, 341, 225};
constexpr int kStereoSpread = 23;
constexpr float kAllpassFeedback = 0.5f;
// Eight combs summed with feedback close to 1 gain a lot; this keeps the wet
// path near the level of the dry one.
constexpr float kCombInput = 0.015f;
constexpr float kWetScale = 3.0f;

float dbToGain(float db) { return std::pow(10.0f, db / 20.0f); }

}  // namespace

bool ReverbParameters::valid() const {
  return inputGain >= -96 && inputGain <= 0 && reverbMix >= -96 && reverbMix <= 0 && reverbTime >= 0.001f &&
         reverbTime <= 3000 && highFreqRatio >= 0.001f && highFreqRatio <= 0.999f;
}

Reverb::Reverb(int rate) : rate_(rate) {
  double scale = rate / 44100.0;
  for (int c = 0; c < 2; ++c) {
    int spread = c == 0 ? 0 : kStereoSpread;
    for (int i = 0; i < kCombs; ++i) {
      combs_[c][i].line.assign(std::max<size_t>(1, std::lround((kCombTuning[i] + spread) * scale)), 0.0f);
    }
    for (int i = 0; i < kAllpasses; ++i) {
      allpasses_[c][i].line.assign(std::max<size_t>(1, std::lround((kAllpassTuning[i] + spread) * scale)),
                                   0.0f);
    }
  }
  setParameters(ReverbParameters{});
}

bool Reverb::setParameters(const ReverbParameters& p) {
  if (!p.valid()) return false;
  params_ = p;
  inGain_ = dbToGain(p.inputGain);
  wetGain_ = dbToGain(p.reverbMix) * kWetScale;
  double seconds = p.reverbTime / 1000.0;
  for (auto& side : combs_) {
    for (auto& comb : side) {
      // Each trip round the loop takes line.size() samples and must lose
      // 60 dB per reverbTime: g = 10^(-3 d / (T fs)). High frequencies decay
      // in highFreqRatio x T; the one-pole low-pass in the loop has gain 1
      // at DC and (1 - damp) / (1 + damp) at Nyquist, which sets damp.
      double d = static_cast<double>(comb.line.size());
      double low = std::pow(10.0, -3.0 * d / (seconds * rate_));
      double high = std::pow(10.0, -3.0 * d / (seconds * p.highFreqRatio * rate_));
      double ratio = low > 0 ? high / low : 0.0;
      comb.feedback = static_cast<float>(low);
      comb.damp = static_cast<float>((1.0 - ratio) / (1.0 + ratio));
    }
  }
  return true;
}

float Reverb::channel(int c, float in) {
  float out = 0;
  for (auto& comb : combs_[c]) {
    float y = comb.line[comb.at];
    comb.store = y * (1.0f - comb.damp) + comb.store * comb.damp;
    if (std::fabs(comb.store) < 1e-25f) comb.store = 0;
    comb.line[comb.at] = in + comb.store * comb.feedback;
    if (++comb.at == comb.line.size()) comb.at = 0;
    out += y;
  }
  for (auto& ap : allpasses_[c]) {
    float buffered = ap.line[ap.at];
    float y = buffered - out;
    ap.line[ap.at] = out + buffered * kAllpassFeedback;
    if (++ap.at == ap.line.size()) ap.at = 0;
    out = y;
  }
  return out;
}

void Reverb::process(float* stereo, int frames) {
  for (int i = 0; i < frames; ++i) {
    float* s = stereo + 2 * i;
    float l = s[0] * inGain_;
    float r = s[1] * inGain_;
    float wl = channel(0, l * kCombInput);
    float wr = channel(1, r * kCombInput);
    s[0] = l + wl * wetGain_;
    s[1] = r + wr * wetGain_;
  }
}

}  // namespace youran
