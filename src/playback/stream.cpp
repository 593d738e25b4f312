#include "playback/stream.h"

#include <algorithm>
#include <chrono>

#include "playback/dsp/echo.h"
#include "playback/dsp/effect.h"
#include "playback/dsp/equalizer.h"
#include "playback/dsp/reverb.h"

namespace youran {

namespace {

constexpr int kDecodeChunkFrames = 4096;
constexpr int kVolumeRampMs = 20;
constexpr int kLevelWindowMs = 20;
// Effects a stream can carry at once (equaliser, reverb, echo); reserved up
// front so attaching one never reallocates the chain under the lock.
constexpr size_t kMaxEffects = 3;

int ringFrames(int outputRate) {
  // About three quarters of a second ahead of the output.
  return outputRate > 0 ? std::max(8192, outputRate * 3 / 4) : 1;
}

}  // namespace

Stream::Stream(std::unique_ptr<Decoder> decoder, int outputRate)
    : decoder_(std::move(decoder)), format_(decoder_->format()), outputRate_(outputRate),
      ring_(ringFrames(outputRate)) {
  if (!decodeOnly()) {
    tap_ = std::make_unique<SignalTap>();
    scratch_.assign(2 * size_t(kMaxRenderFrames), 0.0f);
    chain_.reserve(kMaxEffects);
  }
}

Stream::~Stream() {
  decoder_->abort();
  {
    std::lock_guard guard(decodeLock_);
    quit_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

int64_t Stream::lengthFrames() const {
  int64_t final = finalLength_.load();
  return final >= 0 ? final : format_.lengthFrames;
}

int64_t Stream::positionFrames(int64_t heardLag) const {
  if (ended_.load()) return lengthFrames();
  int64_t base = base_.load();
  int64_t consumed = std::max<int64_t>(0, consumed_.load() - heardLag);
  int64_t at = base;
  if (consumed > 0 && outputRate_ > 0) {
    at += outputRate_ == format_.rate ? consumed : consumed * format_.rate / outputRate_;
  }
  int64_t final = finalLength_.load();
  return final >= 0 ? std::min(at, final) : at;
}

bool Stream::seek(int64_t frame) {
  frame = std::max<int64_t>(0, frame);
  std::unique_lock lock(decodeLock_);
  bool ok = decoder_->seek(frame);
  decoderPosition_ = frame;
  decoderDone_ = !ok;
  pending_.clear();
  pendingAt_ = 0;
  if (resampler_) resampler_->reset();
  {
    std::lock_guard guard(renderLock_);
    ring_.reset();
    base_ = frame;
    consumed_ = 0;
    ended_ = false;
    starved_ = false;
    finished_ = false;
  }
  lock.unlock();
  wake_.notify_all();
  return ok;
}

void Stream::startDecoding() {
  std::lock_guard guard(decodeLock_);
  if (thread_.joinable() || decodeOnly()) return;
  resampler_ = std::make_unique<Resampler>(format_.rate, format_.channels, outputRate_);
  native_.assign(size_t(kDecodeChunkFrames) * format_.channels, 0.0f);
  thread_ = std::thread([this] { decodeLoop(); });
}

void Stream::decodeLoop() {
  std::unique_lock lock(decodeLock_);
  while (!quit_) {
    size_t pendingFrames = pending_.size() / 2;
    if (pendingAt_ < pendingFrames) {
      pendingAt_ += ring_.write(pending_.data() + 2 * pendingAt_, static_cast<int>(pendingFrames - pendingAt_));
      // The ring is full: the output needs a while to drain it (an offline
      // output that drains it faster wakes us).
      if (pendingAt_ < pendingFrames) wake_.wait_for(lock, std::chrono::milliseconds(50));
      continue;
    }
    pending_.clear();
    pendingAt_ = 0;
    if (decoderDone_) {
      finished_.store(true, std::memory_order_release);
      wake_.wait(lock);
      continue;
    }
    decodeChunk();
  }
}

void Stream::decodeChunk() {
  int got = decoder_->read(native_.data(), kDecodeChunkFrames);
  if (got > 0) {
    decoderPosition_ += got;
    resampler_->convert(native_.data(), got, pending_);
    return;
  }
  resampler_->flush(pending_);
  decoderDone_ = true;
  finalLength_ = decoderPosition_;
}

void Stream::setVolume(float gain) {
  gain = std::clamp(gain, 0.0f, 1.0f);
  std::lock_guard guard(renderLock_);
  if (!heard_) {
    volume_.set(gain);
  } else {
    volume_.rampTo(gain, outputRate_ * kVolumeRampMs / 1000);
  }
}

void Stream::rampVolume(float from, float to, int milliseconds) {
  std::lock_guard guard(renderLock_);
  volume_.set(std::clamp(from, 0.0f, 1.0f));
  volume_.rampTo(std::clamp(to, 0.0f, 1.0f), static_cast<int>(int64_t(outputRate_) * std::max(0, milliseconds) / 1000));
}

std::unique_ptr<Effect> Stream::detach(uint32_t& handle) {
  std::lock_guard guard(renderLock_);
  std::unique_ptr<Effect> gone;
  auto at = std::find_if(chain_.begin(), chain_.end(), [&](const ChainEntry& e) { return e.handle == handle; });
  if (at != chain_.end()) {
    gone = std::move(at->effect);
    chain_.erase(at);
  }
  handle = 0;
  return gone;  // destroyed by the caller, outside the lock
}

uint32_t Stream::addEqualizer(uint32_t handle) {
  if (decodeOnly()) return 0;
  {
    std::lock_guard guard(renderLock_);
    if (eqHandle_) return eqHandle_;
  }
  auto eq = std::make_unique<Equalizer>(outputRate_, format_.rate);
  Equalizer* raw = eq.get();
  {
    std::lock_guard guard(renderLock_);
    if (eqHandle_) return eqHandle_;
    eq_ = raw;
    eqHandle_ = handle;
    chain_.push_back({handle, std::move(eq)});
  }
  return handle;
}

bool Stream::setEqBand(int slot, const EqParameters& p) {
  std::lock_guard guard(renderLock_);
  return eq_ && eq_->setBand(slot, p);
}

std::optional<EqParameters> Stream::eqBand(int slot) const {
  std::lock_guard guard(renderLock_);
  if (!eq_ || slot < 1 || slot > Equalizer::kSlots) return std::nullopt;
  return eq_->band(slot);
}

void Stream::removeEqualizer() {
  {
    std::lock_guard guard(renderLock_);
    eq_ = nullptr;
  }
  auto gone = detach(eqHandle_);
}

uint32_t Stream::addReverb(uint32_t handle) {
  if (decodeOnly()) return 0;
  {
    std::lock_guard guard(renderLock_);
    if (reverbHandle_) return reverbHandle_;
  }
  auto effect = std::make_unique<Reverb>(outputRate_);
  Reverb* raw = effect.get();
  std::lock_guard guard(renderLock_);
  if (reverbHandle_) return reverbHandle_;
  reverb_ = raw;
  reverbHandle_ = handle;
  chain_.push_back({handle, std::move(effect)});
  return handle;
}

bool Stream::setReverb(const ReverbParameters& p) {
  std::lock_guard guard(renderLock_);
  return reverb_ && reverb_->setParameters(p);
}

std::optional<ReverbParameters> Stream::reverb() const {
  std::lock_guard guard(renderLock_);
  if (!reverb_) return std::nullopt;
  return reverb_->parameters();
}

void Stream::removeReverb() {
  {
    std::lock_guard guard(renderLock_);
    reverb_ = nullptr;
  }
  auto gone = detach(reverbHandle_);
}

uint32_t Stream::addEcho(uint32_t handle) {
  if (decodeOnly()) return 0;
  {
    std::lock_guard guard(renderLock_);
    if (echoHandle_) return echoHandle_;
  }
  auto effect = std::make_unique<Echo>(outputRate_);
  Echo* raw = effect.get();
  std::lock_guard guard(renderLock_);
  if (echoHandle_) return echoHandle_;
  echo_ = raw;
  echoHandle_ = handle;
  chain_.push_back({handle, std::move(effect)});
  return handle;
}

bool Stream::setEcho(const EchoParameters& p) {
  std::lock_guard guard(renderLock_);
  return echo_ && echo_->setParameters(p);
}

std::optional<EchoParameters> Stream::echo() const {
  std::lock_guard guard(renderLock_);
  if (!echo_) return std::nullopt;
  return echo_->parameters();
}

void Stream::removeEcho() {
  {
    std::lock_guard guard(renderLock_);
    echo_ = nullptr;
  }
  auto gone = detach(echoHandle_);
}

std::pair<int, int> Stream::level() const {
  if (decodeOnly() || state_.load() != State::Playing) return {0, 0};
  std::lock_guard guard(renderLock_);
  return tap_->level(outputRate_ * kLevelWindowMs / 1000);
}

void Stream::spectrum(std::span<float, 256> out) const {
  std::array<float, SignalTap::kFftSize> mono{};
  if (!decodeOnly()) {
    std::lock_guard guard(renderLock_);
    tap_->snapshotMono(mono);
  }
  std::lock_guard guard(spectrumLock_);
  if (!analyser_) analyser_ = std::make_unique<SpectrumAnalyser>();
  analyser_->magnitudes(mono, out);
}

bool Stream::ready(int frames) const {
  return finished_.load(std::memory_order_acquire) || ring_.readable() >= frames;
}

int Stream::render(float* mix, int frames) {
  std::lock_guard guard(renderLock_);
  bool finished = finished_.load(std::memory_order_acquire);
  int n = ring_.read(scratch_.data(), std::min(frames, kMaxRenderFrames));
  starved_.store(n < frames && !finished, std::memory_order_relaxed);
  if (n < frames && finished) {
    ended_ = true;
    state_ = State::Stopped;
  }
  if (n == 0) return 0;
  float* s = scratch_.data();
  for (auto& entry : chain_) entry.effect->process(s, n);
  volume_.process(s, n);
  tap_->push(s, n);
  heard_ = true;
  for (int i = 0; i < 2 * n; ++i) mix[i] += s[i];
  consumed_.fetch_add(n, std::memory_order_relaxed);
  return n;
}

}  // namespace youran
