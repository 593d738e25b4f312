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

SavedEffects savedEffects(const std::function<std::string(std::string_view key)>& value) {
  const auto position = [&](std::string_view key, int start) {
    const std::string text = value(key);
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos) return start;
    return std::stoi(text);
  };
  const auto ticked = [&](std::string_view key) { return value(key) == "T"; };
  SavedEffects saved;
  if (ticked("均衡器")) {
    const int width = bandwidthSemitones(position("纵向滚动条3", 15));
    for (int band = 1; band <= 10; ++band) {
      EqParameters p;
      p.centre = kBandCentres[band - 1];
      p.bandwidth = static_cast<float>(width);
      p.gain = static_cast<float>(bandGainDb(position(kBandSliders[band - 1], 15)));
      saved.bands.emplace_back(band, p);
    }
  }
  if (ticked("混响")) {
    ReverbParameters r;
    r.reverbMix = reverbMixDb(position("纵向滚动条4", 96));
    r.reverbTime = reverbTimeMs(position("纵向滚动条5", 3000));
    r.highFreqRatio = reverbHighFreqRatio(position("纵向滚动条6", 10));
    saved.reverb = r;
  }
  if (ticked("回声")) {
    EchoParameters e;
    e.wetDryMix = echoPercent(position("纵向滚动条8", 100));
    e.feedback = echoPercent(position("纵向滚动条7", 100));
    e.leftDelay = echoDelayMs(position("纵向滚动条19", 2000));
    e.rightDelay = echoDelayMs(position("纵向滚动条20", 2000));
    saved.echo = e;
  }
  saved.balance = balance(position("横向滚动条1", 50));
  return saved;
}

}  // namespace youran::sliders
