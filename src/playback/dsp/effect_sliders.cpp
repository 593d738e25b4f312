#include "playback/dsp/effect_sliders.h"

#include <algorithm>
#include <cmath>

namespace youran::sliders {

int bandGainDb(int position) {
  position = std::clamp(position, 0, 30);
  return static_cast<int>(std::lround((15.0 - position) / 15.0 * 15.0));
}

int bandwidthSemitones(int position) { return 36 - std::clamp(position, 1, 36 - 1); }

float reverbMixDb(int position) { return -static_cast<float>(std::clamp(position, 0, 96)); }

float reverbTimeMs(int position) {
  return std::max(0.001f, static_cast<float>(3000 - std::clamp(position, 0, 3000)));
}

float reverbHighFreqRatio(int position) {
  return std::clamp((10.0f - static_cast<float>(std::clamp(position, 0, 10))) / 10.0f, 0.001f, 0.999f);
}

float echoPercent(int position) { return static_cast<float>(100 - std::clamp(position, 0, 100)); }

float echoDelayMs(int position) { return std::max(1.0f, static_cast<float>(2000 - std::clamp(position, 1, 2000))); }

Balance balance(int position) {
  const int p = std::clamp(position, 1, 100);
  Balance b;
  b.left = std::min(1.0f, static_cast<float>(100 - p) / 50.0f);
  b.right = std::min(1.0f, static_cast<float>(p) / 50.0f);
  if (p > 50) b.text = "偏右" + std::to_string(100 - p);
  else if (p == 50) b.text = "平衡";
  else b.text = "偏左" + std::to_string(p);
  return b;
}

int meterValue(int channelLevel) { return std::max(channelLevel, 0) / 300; }

}  // namespace youran::sliders
