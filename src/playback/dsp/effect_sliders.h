#pragma once

// What the effects window's sliders mean: positions in the window's ranges
// to the parameters the effects accept, and the balance slider to the two
// output gains and its text. Pure functions; the window and the command line
// share them.
//
// The raw formulas of the window give values some effects refuse (a reverb
// mix of 0..96 where -96..0 dB is accepted, a reverb time of 0, a
// high-frequency ratio of 0..10 where 0.001..0.999 is accepted, an echo delay
// of 0 at the slider's end), so each slider is mapped onto the accepted range
// with its ends at the range's ends.

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "playback/dsp/effect_parameters.h"

namespace youran::sliders {

// Band 1..10 centre frequencies.
inline constexpr std::array<float, 10> kBandCentres = {80, 125, 250, 500, 800, 1000, 2000, 4000, 8000, 16000};

// Band gain sliders, 0..30 (start 15): 15 - position dB, rounded.
int bandGainDb(int position);
// Bandwidth slider, 1..36 (start 15): 36 - position semitones, 1..35.
int bandwidthSemitones(int position);

// Reverb sliders: mix 0..96 (start 96) gives -position dB; time 0..3000
// (start 3000) gives 3000 - position ms, at least 0.001; ratio 0..10 (start
// 10) gives (10 - position) / 10 within 0.001..0.999.
float reverbMixDb(int position);
float reverbTimeMs(int position);
float reverbHighFreqRatio(int position);

// Echo sliders: mix and feedback 0..100 (start 100) give 100 - position %;
// delays 1..2000 (start 2000) give 2000 - position ms, at least 1.
float echoPercent(int position);
float echoDelayMs(int position);

// Balance slider 1..100 (start 50): left = min(1, (100 - p) / 50), right =
// min(1, p / 50), so 50 is both at full; the text is "偏右" + (100 - p) above
// 50, "平衡" at 50, "偏左" + p below.
struct Balance {
  float left = 1.0f;
  float right = 1.0f;
  std::string text;
};
Balance balance(int position);

// A level meter: the channel level (0..32768) / 300, truncated.
int meterValue(int channelLevel);

// Band gain sliders, bands 1..10 in this order.
inline constexpr std::array<const char*, 10> kBandSliders = {"纵向滚动条17", "纵向滚动条16", "纵向滚动条15",
                                                             "纵向滚动条14", "纵向滚动条13", "纵向滚动条12",
                                                             "纵向滚动条11", "纵向滚动条10", "纵向滚动条9",
                                                             "纵向滚动条18"};

// Every control of the effects window: its position (or tick), its range
// and its start. The names are the keys of the saved section "效果设置".
struct Control {
  const char* key;
  int minimum;
  int maximum;
  int start;
};
inline constexpr Control kBandwidthSlider = {"纵向滚动条3", 1, 36, 15};
inline constexpr Control kReverbMixSlider = {"纵向滚动条4", 0, 96, 96};
inline constexpr Control kReverbTimeSlider = {"纵向滚动条5", 0, 3000, 3000};
inline constexpr Control kReverbRatioSlider = {"纵向滚动条6", 0, 10, 10};
inline constexpr Control kEchoMixSlider = {"纵向滚动条8", 0, 100, 100};
inline constexpr Control kEchoFeedbackSlider = {"纵向滚动条7", 0, 100, 100};
inline constexpr Control kEchoLeftSlider = {"纵向滚动条19", 1, 2000, 2000};
inline constexpr Control kEchoRightSlider = {"纵向滚动条20", 1, 2000, 2000};
inline constexpr Control kBalanceSlider = {"横向滚动条1", 1, 100, 50};
inline constexpr int kBandMinimum = 0, kBandMaximum = 30, kBandStart = 15;
inline constexpr const char* kSection = "效果设置";
inline constexpr const char* kEqualizerBox = "均衡器";
inline constexpr const char* kReverbBox = "混响";
inline constexpr const char* kEchoBox = "回声";

struct Positions {
  bool equalizer = false;
  bool reverb = false;
  bool echo = false;
  std::array<int, 10> bands = {15, 15, 15, 15, 15, 15, 15, 15, 15, 15};
  int bandwidth = kBandwidthSlider.start;
  int reverbMix = kReverbMixSlider.start;
  int reverbTime = kReverbTimeSlider.start;
  int reverbRatio = kReverbRatioSlider.start;
  int echoMix = kEchoMixSlider.start;
  int echoFeedback = kEchoFeedbackSlider.start;
  int echoLeft = kEchoLeftSlider.start;
  int echoRight = kEchoRightSlider.start;
  int balance = kBalanceSlider.start;

  bool operator==(const Positions&) const = default;
};

// The saved section back as positions: the check boxes are "T" or "F",
// sliders their positions. `value(key)` answers the stored text, empty when
// there is none; a missing, unreadable or out-of-range value is the
// control's start.
Positions savedPositions(const std::function<std::string(std::string_view key)>& value);
// The same as (key, text) pairs, in the window's order, for writing back.
std::vector<std::pair<std::string, std::string>> savedValues(const Positions& positions);

// What the positions mean to the effects.
EqParameters bandRecord(int band, int bandPosition, int bandwidthPosition);
ReverbParameters reverbRecord(const Positions& positions);
EchoParameters echoRecord(const Positions& positions);

// The effects a saved section turns on, for a player without the window.
// Only ticked sections are returned.
struct SavedEffects {
  std::vector<std::pair<int, EqParameters>> bands;  // band 1..10 with its parameters
  std::optional<ReverbParameters> reverb;
  std::optional<EchoParameters> echo;
  Balance balance;
};
SavedEffects savedEffects(const std::function<std::string(std::string_view key)>& value);

}  // namespace youran::sliders
