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

namespace {

// The slider positions of a Positions, with their controls, in the window's
// order: bands 1..10, then bandwidth, reverb, echo and balance.
template <typename P>
auto sliderFields(P& p) {
  using Field = std::pair<Control, decltype(&p.balance)>;
  std::vector<Field> fields;
  for (int band = 0; band < 10; ++band)
    fields.push_back({Control{kBandSliders[band], kBandMinimum, kBandMaximum, kBandStart}, &p.bands[band]});
  fields.push_back({kBandwidthSlider, &p.bandwidth});
  fields.push_back({kReverbMixSlider, &p.reverbMix});
  fields.push_back({kReverbTimeSlider, &p.reverbTime});
  fields.push_back({kReverbRatioSlider, &p.reverbRatio});
  fields.push_back({kEchoMixSlider, &p.echoMix});
  fields.push_back({kEchoFeedbackSlider, &p.echoFeedback});
  fields.push_back({kEchoLeftSlider, &p.echoLeft});
  fields.push_back({kEchoRightSlider, &p.echoRight});
  fields.push_back({kBalanceSlider, &p.balance});
  return fields;
}

}  // namespace

Positions savedPositions(const std::function<std::string(std::string_view key)>& value) {
  Positions p;
  p.equalizer = value(kEqualizerBox) == "T";
  p.reverb = value(kReverbBox) == "T";
  p.echo = value(kEchoBox) == "T";
  for (auto& [control, field] : sliderFields(p)) {
    const std::string text = value(control.key);
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos) continue;
    const int position = std::stoi(text);
    if (position >= control.minimum && position <= control.maximum) *field = position;
  }
  return p;
}

std::vector<std::pair<std::string, std::string>> savedValues(const Positions& positions) {
  std::vector<std::pair<std::string, std::string>> values;
  values.emplace_back(kEqualizerBox, positions.equalizer ? "T" : "F");
  values.emplace_back(kReverbBox, positions.reverb ? "T" : "F");
  values.emplace_back(kEchoBox, positions.echo ? "T" : "F");
  for (const auto& [control, field] : sliderFields(positions)) values.emplace_back(control.key, std::to_string(*field));
  return values;
}

EqParameters bandRecord(int band, int bandPosition, int bandwidthPosition) {
  EqParameters p;
  p.centre = kBandCentres[static_cast<size_t>(std::clamp(band, 1, 10) - 1)];
  p.bandwidth = static_cast<float>(bandwidthSemitones(bandwidthPosition));
  p.gain = static_cast<float>(bandGainDb(bandPosition));
  return p;
}

ReverbParameters reverbRecord(const Positions& positions) {
  ReverbParameters r;
  r.reverbMix = reverbMixDb(positions.reverbMix);
  r.reverbTime = reverbTimeMs(positions.reverbTime);
  r.highFreqRatio = reverbHighFreqRatio(positions.reverbRatio);
  return r;
}

EchoParameters echoRecord(const Positions& positions) {
  EchoParameters e;
  e.wetDryMix = echoPercent(positions.echoMix);
  e.feedback = echoPercent(positions.echoFeedback);
  e.leftDelay = echoDelayMs(positions.echoLeft);
  e.rightDelay = echoDelayMs(positions.echoRight);
  return e;
}

SavedEffects savedEffects(const std::function<std::string(std::string_view key)>& value) {
  const Positions p = savedPositions(value);
  SavedEffects saved;
  if (p.equalizer)
    for (int band = 1; band <= 10; ++band) saved.bands.emplace_back(band, bandRecord(band, p.bands[band - 1], p.bandwidth));
  if (p.reverb) saved.reverb = reverbRecord(p);
  if (p.echo) saved.echo = echoRecord(p);
  saved.balance = balance(p.balance);
  return saved;
}

}  // namespace youran::sliders
