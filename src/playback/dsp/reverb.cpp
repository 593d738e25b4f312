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

// The left and right combs of one pair in the same loop: their two
// feedback recursions run side by side.
void Reverb::combs(Comb& left, Comb& right, const float* inL, const float* inR, float* outL, float* outR,
                   int n) {
  float sl = left.store, sr = right.store;
  const float fl = left.feedback, fr = right.feedback;
  const float dl = left.damp, dr = right.damp;
  float* ll = left.line.data();
  float* lr = right.line.data();
  const size_t nl = left.line.size(), nr = right.line.size();
  size_t al = left.at, ar = right.at;
  for (int i = 0; i < n; ++i) {
    float yl = ll[al], yr = lr[ar];
    sl = yl * (1.0f - dl) + sl * dl;
    sr = yr * (1.0f - dr) + sr * dr;
    ll[al] = inL[i] + sl * fl;
    lr[ar] = inR[i] + sr * fr;
    if (++al == nl) al = 0;
    if (++ar == nr) ar = 0;
    outL[i] += yl;
    outR[i] += yr;
  }
  left.store = sl;
  right.store = sr;
  left.at = al;
  right.at = ar;
}

void Reverb::allpass(Allpass& ap, float* x, int n) {
  float* line = ap.line.data();
  const size_t size = ap.line.size();
  size_t at = ap.at;
  for (int i = 0; i < n; ++i) {
    float buffered = line[at];
    line[at] = x[i] + buffered * kAllpassFeedback;
    x[i] = buffered - x[i];
    if (++at == size) at = 0;
  }
  ap.at = at;
}

void Reverb::process(float* stereo, int frames) {
  // The output thread flushes denormals to zero, so the decaying loops need
  // no checks of their own.
  for (int done = 0; done < frames;) {
    int n = std::min(kBlock, frames - done);
    float* s = stereo + 2 * done;
    for (int i = 0; i < n; ++i) {
      inL_[i] = s[2 * i] * inGain_ * kCombInput;
      inR_[i] = s[2 * i + 1] * inGain_ * kCombInput;
    }
    std::fill_n(outL_.begin(), n, 0.0f);
    std::fill_n(outR_.begin(), n, 0.0f);
    for (int c = 0; c < kCombs; ++c) combs(combs_[0][c], combs_[1][c], inL_.data(), inR_.data(), outL_.data(), outR_.data(), n);
    for (int a = 0; a < kAllpasses; ++a) {
      allpass(allpasses_[0][a], outL_.data(), n);
      allpass(allpasses_[1][a], outR_.data(), n);
    }
    for (int i = 0; i < n; ++i) {
      s[2 * i] = s[2 * i] * inGain_ + outL_[i] * wetGain_;
      s[2 * i + 1] = s[2 * i + 1] * inGain_ + outR_[i] * wetGain_;
    }
    done += n;
  }
}

}  // namespace youran
