#include "playback/audio_engine.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <vector>

#include "base/log.h"
#include "playback/decode/ffmpeg_decoder.h"
#include "playback/output/null_output.h"
#include "playback/output/pulse_output.h"
#include "playback/output/sdl_output.h"
#include "playback/stream.h"

namespace youran {

namespace {

bool noSoundRequested() {
  const char* v = std::getenv("YOURAN_AUDIO_DEVICE");
  return v && std::string_view(v) == "none";
}

// PulseAudio's protocol where a server answers (PulseAudio, pipewire-pulse),
// SDL elsewhere; YOURAN_AUDIO_OUTPUT=sdl asks for SDL always.
bool pulseWanted() {
  const char* v = std::getenv("YOURAN_AUDIO_OUTPUT");
  if (v && std::string_view(v) == "sdl") return false;
  return PulseOutput::serverAnswers();
}

bool fileExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(std::filesystem::u8path(path), ec);
}

}  // namespace

AudioEngine::AudioEngine() = default;

AudioEngine::~AudioEngine() {
  free();
  std::map<uint32_t, std::shared_ptr<Stream>> rest;
  {
    std::lock_guard guard(tableLock_);
    rest.swap(streams_);
  }
  rest.clear();
  std::lock_guard guard(lifecycleLock_);
  if (output_) output_->close();
  output_.reset();
}

AudioEngine& AudioEngine::instance() {
  static AudioEngine engine;
  return engine;
}

bool AudioEngine::startOutput(std::unique_ptr<AudioOutput> output, int device, int frequency) {
  // lifecycleLock_ is held.
  if (output) {
    if (output_) output_->close();
    output_.reset();
    output->setStatusHandler(statusHandler_);
    if (!output->open(frequency, mixer_)) return false;
    output_ = std::move(output);
    outputDevice_ = device;
    outputFrequency_ = frequency;
  }
  {
    std::lock_guard guard(tableLock_);
    initialised_ = true;
    outputRate_ = output_->rate();
  }
  heardLag_ = output_->latencyFrames();
  output_->start();
  return true;
}

bool AudioEngine::init(int device, int frequency) {
  if (frequency <= 0) frequency = 44100;
  if (device == kDefaultDevice && noSoundRequested()) device = kNoSoundDevice;
  if (device < kDefaultDevice) return false;
  std::lock_guard lifecycle(lifecycleLock_);
  {
    std::lock_guard guard(tableLock_);
    if (initialised_) return outputDevice_ == device && outputFrequency_ == frequency;
  }
  if (output_ && outputDevice_ == device && outputFrequency_ == frequency) {
    return startOutput(nullptr, device, frequency);
  }
  std::unique_ptr<AudioOutput> output;
  if (device == kNoSoundDevice) {
    output = std::make_unique<NullOutput>();
  } else {
    std::string name = device == kDefaultDevice ? deviceName_ : std::string();
    bool pulse = pulseWanted();
    if (device >= 1) {
      auto names = pulse ? PulseOutput::deviceNames() : SdlOutput::deviceNames();
      if (size_t(device) > names.size()) return false;
      name = names[device - 1];
    }
    if (pulse) {
      output = std::make_unique<PulseOutput>(name);
    } else {
      output = std::make_unique<SdlOutput>(name);
    }
  }
  return startOutput(std::move(output), device, frequency);
}

bool AudioEngine::initWithOutput(std::unique_ptr<AudioOutput> output, int frequency) {
  if (!output) return false;
  std::lock_guard lifecycle(lifecycleLock_);
  {
    std::lock_guard guard(tableLock_);
    if (initialised_) return false;
  }
  return startOutput(std::move(output), -2, frequency > 0 ? frequency : 44100);
}

void AudioEngine::setDeviceName(const std::string& name) {
  std::lock_guard lifecycle(lifecycleLock_);
  deviceName_ = name;
  if (output_ && outputDevice_ == kDefaultDevice) output_->setDeviceName(name);
}

std::string AudioEngine::deviceName() const {
  std::lock_guard lifecycle(lifecycleLock_);
  return deviceName_;
}

std::vector<std::string> AudioEngine::outputDevices() {
  return pulseWanted() ? PulseOutput::deviceNames() : SdlOutput::deviceNames();
}

void AudioEngine::setOutputStatusHandler(AudioOutput::StatusHandler handler) {
  std::lock_guard lifecycle(lifecycleLock_);
  statusHandler_ = std::move(handler);
  if (output_) output_->setStatusHandler(statusHandler_);
}

void AudioEngine::free() {
  std::vector<std::shared_ptr<Stream>> gone;
  std::lock_guard lifecycle(lifecycleLock_);
  if (output_) output_->stop();
  {
    std::lock_guard guard(tableLock_);
    mixer_.clear();
    for (auto it = streams_.begin(); it != streams_.end();) {
      if (it->second->decodeOnly()) {
        ++it;
      } else {
        gone.push_back(std::move(it->second));
        it = streams_.erase(it);
      }
    }
    initialised_ = false;
  }
  // A custom output (a file) is finished with at free; devices stay open
  // for the next init.
  if (output_ && outputDevice_ == -2) {
    output_->close();
    output_.reset();
  }
  gone.clear();  // joins the decoding threads, outside the table lock
}

bool AudioEngine::initialised() const {
  std::lock_guard guard(tableLock_);
  return initialised_;
}

void AudioEngine::loadPlugin(const std::string& path, const PluginSettings& settings) {
  plugins_.load(path, settings);
}

uint32_t AudioEngine::createStream(const std::string& path, std::span<const uint8_t> memory,
                                   const std::string& url, uint32_t flags) {
  DecoderSource source;
  if (!path.empty() && fileExists(path)) {
    source.path = path;
  } else if (!memory.empty()) {
    source.memory = memory;
  } else if (!url.empty()) {
    source.url = url;
  } else {
    return 0;
  }
  const bool decodeOnly = flags & kDecodeOnly;
  int rate = 0;
  if (!decodeOnly) {
    std::lock_guard guard(tableLock_);
    if (!initialised_) return 0;
    rate = outputRate_;
  }
  std::unique_ptr<Decoder> decoder;
  if (source.url.empty()) decoder = plugins_.open(source);
  if (!decoder) decoder = openFfmpegDecoder(source, decodeOnly ? DecoderUse::Measure : DecoderUse::Play);
  if (!decoder) return 0;
  auto stream = std::make_shared<Stream>(std::move(decoder), rate);

  std::lock_guard guard(tableLock_);
  // The engine may have been freed (and maybe initialised at another rate)
  // while the file was being opened.
  if (!decodeOnly && (!initialised_ || outputRate_ != rate)) return 0;
  uint32_t handle = nextHandle_;
  while (handle == 0 || streams_.count(handle)) ++handle;
  nextHandle_ = handle + 1;
  streams_.emplace(handle, std::move(stream));
  lastStream_ = handle;
  return handle;
}

std::shared_ptr<Stream> AudioEngine::find(uint32_t stream) const {
  if (stream == 0) return nullptr;
  std::lock_guard guard(tableLock_);
  auto at = streams_.find(stream);
  return at == streams_.end() ? nullptr : at->second;
}

bool AudioEngine::play(uint32_t stream, bool restart) {
  auto s = find(stream);
  if (!s || s->decodeOnly()) return false;
  if (s->state() == Stream::State::Playing && !s->ended() && !restart) return true;
  if (restart || s->ended()) {
    if (s->positionFrames() != 0 || s->ended()) s->seek(0);
  }
  s->startDecoding();
  std::lock_guard guard(tableLock_);
  if (!initialised_ || !streams_.count(stream)) return false;
  s->setState(Stream::State::Playing);
  if (!mixer_.add(s.get())) {
    s->setState(Stream::State::Stopped);
    return false;
  }
  return true;
}

void AudioEngine::pause(uint32_t stream) {
  auto s = find(stream);
  if (!s) return;
  std::lock_guard guard(tableLock_);
  if (s->state() != Stream::State::Playing || s->ended()) return;
  mixer_.remove(s.get());
  s->setState(Stream::State::Paused);
}

void AudioEngine::stop(uint32_t stream) { freeStream(stream); }

void AudioEngine::freeStream(uint32_t stream) {
  std::shared_ptr<Stream> gone;
  {
    std::lock_guard guard(tableLock_);
    auto at = streams_.find(stream);
    if (at == streams_.end()) return;
    gone = std::move(at->second);
    streams_.erase(at);
    mixer_.remove(gone.get());
    mixer_.forget(gone.get());
  }
}

bool AudioEngine::playAfter(uint32_t stream, uint32_t next) {
  auto s = find(stream);
  auto n = find(next);
  if (!s || !n || s == n || s->decodeOnly() || n->decodeOnly() || n->state() != Stream::State::Stopped) return false;
  n->startDecoding();
  std::lock_guard guard(tableLock_);
  if (!initialised_ || !streams_.count(stream) || !streams_.count(next)) return false;
  return mixer_.follow(s.get(), n.get());
}

bool AudioEngine::isHeard(uint32_t stream) const {
  auto s = find(stream);
  return s && s->heard(heardLag_.load(std::memory_order_relaxed));
}

int AudioEngine::isActive(uint32_t stream) const {
  auto s = find(stream);
  if (!s || s->ended()) return kStopped;
  switch (s->state()) {
    case Stream::State::Playing: return s->stalled() ? kStalled : kPlaying;
    case Stream::State::Paused: return kPaused;
    default: return kStopped;
  }
}

int64_t AudioEngine::frameBytes(const Stream& s) const { return 2 * int64_t(s.format().channels); }

int64_t AudioEngine::getPosition(uint32_t stream) const {
  auto s = find(stream);
  if (!s) return -1;
  // The position is what is heard, not what was handed to the device.
  return s->positionFrames(heardLag_.load(std::memory_order_relaxed)) * frameBytes(*s);
}

void AudioEngine::setPosition(uint32_t stream, int64_t bytes) {
  auto s = find(stream);
  if (!s || bytes < 0) return;
  int64_t frame = bytes / frameBytes(*s);
  int64_t length = s->lengthFrames();
  if (length >= 0) frame = std::min(frame, length);
  s->seek(frame);
}

int64_t AudioEngine::getLength(uint32_t stream) const {
  auto s = find(stream);
  if (!s) return -1;
  int64_t frames = s->lengthFrames();
  return frames < 0 ? -1 : frames * frameBytes(*s);
}

double AudioEngine::bytesToSeconds(uint32_t stream, int64_t bytes) const {
  auto s = find(stream);
  if (!s) return -1;
  return static_cast<double>(bytes) / (frameBytes(*s) * double(s->format().rate));
}

int64_t AudioEngine::secondsToBytes(uint32_t stream, double seconds) const {
  auto s = find(stream);
  if (!s || !std::isfinite(seconds)) return -1;
  return static_cast<int64_t>(std::floor(seconds * s->format().rate)) * frameBytes(*s);
}

std::optional<AudioEngine::Info> AudioEngine::getInfo(uint32_t stream) const {
  auto s = find(stream);
  if (!s) return std::nullopt;
  return Info{s->format().rate, s->format().channels, s->decodeOnly()};
}

void AudioEngine::setVolume(uint32_t stream, int percent) {
  if (auto s = find(stream)) s->setVolume(std::clamp(percent, 0, 100) / 100.0f);
}

void AudioEngine::setReplayGain(uint32_t stream, double factor) {
  if (auto s = find(stream)) s->setReplayGain(std::isfinite(factor) ? static_cast<float>(std::clamp(factor, 0.0, 64.0)) : 1.0f);
}

void AudioEngine::rampVolume(uint32_t stream, int fromPercent, int toPercent, int milliseconds) {
  if (auto s = find(stream)) {
    s->rampVolume(std::clamp(fromPercent, 0, 100) / 100.0f, std::clamp(toPercent, 0, 100) / 100.0f, milliseconds);
  }
}

std::pair<int, int> AudioEngine::getLevel(uint32_t stream) const {
  auto s = find(stream);
  return s ? s->level() : std::pair<int, int>{0, 0};
}

uint32_t AudioEngine::addReverb(uint32_t stream, bool apply) {
  auto s = find(stream);
  if (!s || !apply) return 0;
  return s->addReverb(nextEffect_++);
}

uint32_t AudioEngine::addEcho(uint32_t stream, bool apply) {
  auto s = find(stream);
  if (!s || !apply) return 0;
  return s->addEcho(nextEffect_++);
}

bool AudioEngine::addEqualizer(uint32_t stream) {
  auto s = find(stream);
  return s && s->addEqualizer(nextEffect_++) != 0;
}

bool AudioEngine::setEqBand(uint32_t stream, int slot, EqParameters parameters) {
  auto s = find(stream);
  return s && s->setEqBand(slot, parameters);
}

bool AudioEngine::setReverb(uint32_t stream, ReverbParameters parameters) {
  auto s = find(stream);
  return s && s->setReverb(parameters);
}

bool AudioEngine::setEcho(uint32_t stream, EchoParameters parameters) {
  auto s = find(stream);
  return s && s->setEcho(parameters);
}

void AudioEngine::removeReverb(uint32_t stream) {
  if (auto s = find(stream)) s->removeReverb();
}

void AudioEngine::removeEcho(uint32_t stream) {
  if (auto s = find(stream)) s->removeEcho();
}

void AudioEngine::removeEqualizer(uint32_t stream) {
  if (auto s = find(stream)) s->removeEqualizer();
}

std::optional<EqParameters> AudioEngine::getEqBand(uint32_t stream, int slot) const {
  auto s = find(stream);
  return s ? s->eqBand(slot) : std::nullopt;
}

std::optional<ReverbParameters> AudioEngine::getReverb(uint32_t stream) const {
  auto s = find(stream);
  return s ? s->reverb() : std::nullopt;
}

std::optional<EchoParameters> AudioEngine::getEcho(uint32_t stream) const {
  auto s = find(stream);
  return s ? s->echo() : std::nullopt;
}

int AudioEngine::getFftData(uint32_t stream, std::span<float, 256> out) const {
  auto s = find(stream);
  if (!s) return -1;
  s->spectrum(out);
  return 256;
}

bool AudioEngine::setChannelGain(int channel, float gain) { return mixer_.setChannelGain(channel, gain); }

float AudioEngine::channelGain(int channel) const { return mixer_.channelGain(channel); }

}  // namespace youran
