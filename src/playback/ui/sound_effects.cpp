#include "playback/ui/sound_effects.h"

#include <QTimer>
#include <algorithm>

#include "settings/settings_file.h"
#include "playback/audio_engine.h"

namespace youran {

using namespace sliders;

SoundEffects::SoundEffects(AudioEngine& engine, std::function<uint32_t()> currentStream,
                           std::filesystem::path stateFile, QObject* parent)
    : QObject(parent),
      engine_(engine),
      currentStream_(std::move(currentStream)),
      stateFile_(std::move(stateFile)),
      saveTimer_(new QTimer(this)) {
  saveTimer_->setSingleShot(true);
  saveTimer_->setInterval(kSaveDelayMs);
  connect(saveTimer_, &QTimer::timeout, this, &SoundEffects::flush);

  positions_ = savedPositions([this](std::string_view key) { return readSetting(stateFile_, kSection, key); });
  // The records start as the sliders stand, so a section ticked before any
  // slider moves sounds as the window shows it.
  bandwidth_ = bandwidthSemitones(positions_.bandwidth);
  for (int band = 1; band <= 10; ++band)
    bands_[band - 1] = sliders::bandRecord(band, positions_.bands[band - 1], positions_.bandwidth);
  reverb_ = sliders::reverbRecord(positions_);
  echo_ = sliders::echoRecord(positions_);
  applyBalance();
}

SoundEffects::~SoundEffects() { flush(); }

void SoundEffects::sendBand(int band) const {
  if (uint32_t stream = currentStream_()) engine_.setEqBand(stream, band, bands_[band - 1]);
}

void SoundEffects::sendReverb() const {
  if (uint32_t stream = currentStream_()) engine_.setReverb(stream, reverb_);
}

void SoundEffects::sendEcho() const {
  if (uint32_t stream = currentStream_()) engine_.setEcho(stream, echo_);
}

void SoundEffects::applyBand(int band, int gainDb) {
  EqParameters& record = bands_[band - 1];
  record.bandwidth = static_cast<float>(bandwidth_);
  record.centre = kBandCentres[band - 1];
  record.gain = static_cast<float>(gainDb);
  sendBand(band);
}

void SoundEffects::moveBand(int band, int position) {
  if (band < 1 || band > 10) return;
  positions_.bands[band - 1] = std::clamp(position, kBandMinimum, kBandMaximum);
  applyBand(band, bandGainDb(positions_.bands[band - 1]));
  save({kBandSliders[band - 1]});
}

void SoundEffects::moveBandwidth(int position) {
  positions_.bandwidth = std::clamp(position, kBandwidthSlider.minimum, kBandwidthSlider.maximum);
  bandwidth_ = bandwidthSemitones(positions_.bandwidth);
  save({kBandwidthSlider.key});
}

// The sections: attached to a stream with their stored records sent.
void SoundEffects::attachEqualizer(uint32_t stream) {
  if (engine_.addEqualizer(stream))
    for (int band = 1; band <= 10; ++band) engine_.setEqBand(stream, band, bands_[band - 1]);
}

void SoundEffects::attachReverb(uint32_t stream) {
  if (engine_.addReverb(stream, true)) engine_.setReverb(stream, reverb_);
}

void SoundEffects::attachEcho(uint32_t stream) {
  if (engine_.addEcho(stream, true)) engine_.setEcho(stream, echo_);
}

// A check box: the section on the playing stream or off it, and remembered.
void SoundEffects::tick(bool& box, bool on, const char* key, void (SoundEffects::*attach)(uint32_t),
                        void (AudioEngine::*remove)(uint32_t)) {
  box = on;
  if (uint32_t stream = currentStream_()) on ? (this->*attach)(stream) : (engine_.*remove)(stream);
  save({key});
}

void SoundEffects::setEqualizer(bool on) {
  tick(positions_.equalizer, on, kEqualizerBox, &SoundEffects::attachEqualizer, &AudioEngine::removeEqualizer);
}

void SoundEffects::resetEqualizer() {
  positions_.bands.fill(kBandStart);
  moveBandwidth(kBandwidthSlider.start);
  for (int band = 1; band <= 10; ++band) applyBand(band, 0);
  std::vector<std::string> keys(kBandSliders.begin(), kBandSliders.end());
  save(keys);
  emit changed();
}

void SoundEffects::moveReverb(ReverbSlider slider, int position) {
  const char* key = nullptr;
  switch (slider) {
    case ReverbSlider::mix:
      positions_.reverbMix = std::clamp(position, kReverbMixSlider.minimum, kReverbMixSlider.maximum);
      reverb_.reverbMix = reverbMixDb(positions_.reverbMix);
      key = kReverbMixSlider.key;
      break;
    case ReverbSlider::time:
      positions_.reverbTime = std::clamp(position, kReverbTimeSlider.minimum, kReverbTimeSlider.maximum);
      reverb_.reverbTime = reverbTimeMs(positions_.reverbTime);
      key = kReverbTimeSlider.key;
      break;
    case ReverbSlider::ratio:
      positions_.reverbRatio = std::clamp(position, kReverbRatioSlider.minimum, kReverbRatioSlider.maximum);
      reverb_.highFreqRatio = reverbHighFreqRatio(positions_.reverbRatio);
      key = kReverbRatioSlider.key;
      break;
  }
  sendReverb();
  save({key});
}

void SoundEffects::setReverb(bool on) {
  tick(positions_.reverb, on, kReverbBox, &SoundEffects::attachReverb, &AudioEngine::removeReverb);
}

void SoundEffects::resetReverb() {
  moveReverb(ReverbSlider::mix, kReverbMixSlider.start);
  moveReverb(ReverbSlider::time, kReverbTimeSlider.start);
  moveReverb(ReverbSlider::ratio, kReverbRatioSlider.start);
  emit changed();
}

void SoundEffects::moveEcho(EchoSlider slider, int position) {
  const auto put = [&](const Control& control, int& field, float& value, float mapped(int)) {
    field = std::clamp(position, control.minimum, control.maximum);
    value = mapped(field);
    return control.key;
  };
  const char* key = nullptr;
  switch (slider) {
    case EchoSlider::mix:
      key = put(kEchoMixSlider, positions_.echoMix, echo_.wetDryMix, echoPercent);
      break;
    case EchoSlider::feedback:
      key = put(kEchoFeedbackSlider, positions_.echoFeedback, echo_.feedback, echoPercent);
      break;
    case EchoSlider::leftDelay:
      key = put(kEchoLeftSlider, positions_.echoLeft, echo_.leftDelay, echoDelayMs);
      break;
    case EchoSlider::rightDelay:
      key = put(kEchoRightSlider, positions_.echoRight, echo_.rightDelay, echoDelayMs);
      break;
  }
  sendEcho();
  save({key});
}

void SoundEffects::setEcho(bool on) {
  tick(positions_.echo, on, kEchoBox, &SoundEffects::attachEcho, &AudioEngine::removeEcho);
}

void SoundEffects::resetEcho() {
  moveEcho(EchoSlider::feedback, kEchoFeedbackSlider.start);
  moveEcho(EchoSlider::mix, kEchoMixSlider.start);
  moveEcho(EchoSlider::leftDelay, kEchoLeftSlider.start);
  moveEcho(EchoSlider::rightDelay, kEchoRightSlider.start);
  emit changed();
}

// The balance is a gain on the player's own output, kept across streams;
// no other program's sound changes.
void SoundEffects::applyBalance() {
  const Balance b = balance(positions_.balance);
  engine_.setChannelGain(0, b.left);
  engine_.setChannelGain(1, b.right);
  balanceText_ = b.text;
}

void SoundEffects::moveBalance(int position) {
  positions_.balance = std::clamp(position, kBalanceSlider.minimum, kBalanceSlider.maximum);
  applyBalance();
  save({kBalanceSlider.key});
}

void SoundEffects::resetBalance() {
  moveBalance(kBalanceSlider.start);
  emit changed();
}

std::pair<int, int> SoundEffects::meters() const {
  const uint32_t stream = currentStream_();
  if (!stream) return {0, 0};
  const auto [right, left] = engine_.getLevel(stream);
  return {meterValue(left), meterValue(right)};
}

void SoundEffects::attachTo(uint32_t stream) {
  if (!stream) return;
  if (positions_.equalizer) attachEqualizer(stream);
  if (positions_.reverb) attachReverb(stream);
  if (positions_.echo) attachEcho(stream);
}

void SoundEffects::save(const std::vector<std::string>& keys) {
  for (const auto& key : keys)
    if (std::find(unsaved_.begin(), unsaved_.end(), key) == unsaved_.end()) unsaved_.push_back(key);
  saveTimer_->start();
}

void SoundEffects::flush() {
  saveTimer_->stop();
  if (unsaved_.empty()) return;
  std::vector<std::pair<std::string, std::string>> entries;
  for (auto& entry : savedValues(positions_))
    if (std::find(unsaved_.begin(), unsaved_.end(), entry.first) != unsaved_.end()) entries.push_back(std::move(entry));
  unsaved_.clear();
  writeSettings(stateFile_, kSection, entries);
}

}  // namespace youran
