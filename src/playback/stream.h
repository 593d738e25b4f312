#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <thread>
#include <utility>
#include <vector>

#include "playback/decode/decoder.h"
#include "playback/decode/resampler.h"
#include "playback/dsp/effect_parameters.h"
#include "playback/dsp/signal_tap.h"
#include "playback/dsp/volume_ramp.h"
#include "playback/frame_ring.h"

namespace youran {

class Effect;
class Equalizer;
class Reverb;
class Echo;

// One stream: a decoder, the thread that decodes it ahead into a ring of
// output-rate stereo frames, and what the output does to those frames on the
// way out (effects, volume, level and spectrum taps).
//
// Locks, in the order they may be taken:
//  - decodeLock_: the decoder, the resampler and the frames not yet in the
//    ring. Held by the decoding thread while it decodes one chunk, and by
//    seek() (which may take a few milliseconds).
//  - renderLock_: the ring's reading side, the effect chain, the volume and
//    the taps. Held by render() on the output thread and, for a few
//    instructions or a copy at a time, by the control calls.
// The output thread never takes decodeLock_.
class Stream {
 public:
  enum class State { Stopped, Playing, Paused };

  // outputRate is 0 for a decode-only stream, which never plays.
  Stream(std::unique_ptr<Decoder> decoder, int outputRate);
  ~Stream();
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;

  const StreamFormat& format() const { return format_; }
  bool decodeOnly() const { return outputRate_ == 0; }

  // Frames at the stream's own rate. Once the decoder has reached the end,
  // the length is what it really decoded; once the stream has ended, the
  // position equals it.
  int64_t lengthFrames() const;
  // heardLag: output frames taken but still on their way to the ear (what
  // the device and the server buffer); the position never goes back past
  // where playing started or was sought to.
  int64_t positionFrames(int64_t heardLag = 0) const;
  bool seek(int64_t frame);

  State state() const { return state_.load(); }
  void setState(State s) { state_.store(s); }
  bool ended() const { return ended_.load(); }
  bool stalled() const { return starved_.load(std::memory_order_relaxed); }
  // Starts the decoding thread the first time a stream plays.
  void startDecoding();

  void setVolume(float gain);
  // Loudness levelling, a plain factor applied before the effects.
  void setReplayGain(float factor) { replayGain_.store(factor, std::memory_order_relaxed); }
  void rampVolume(float from, float to, int milliseconds);

  // Effects. Each add returns the effect's handle (the existing one when the
  // effect is already on the stream).
  uint32_t addEqualizer(uint32_t handle);
  bool setEqBand(int slot, const EqParameters& p);
  std::optional<EqParameters> eqBand(int slot) const;
  void removeEqualizer();
  uint32_t addReverb(uint32_t handle);
  bool setReverb(const ReverbParameters& p);
  std::optional<ReverbParameters> reverb() const;
  void removeReverb();
  uint32_t addEcho(uint32_t handle);
  bool setEcho(const EchoParameters& p);
  std::optional<EchoParameters> echo() const;
  void removeEcho();

  std::pair<int, int> level() const;
  void spectrum(std::span<float, 256> out) const;

  // Output thread, with the mixer's lock held: adds up to `frames` frames
  // (at most kMaxRenderFrames) into `mix` and returns how many it had.
  static constexpr int kMaxRenderFrames = 4096;
  int render(float* mix, int frames);
  // Whether `frames` frames can be rendered without a gap.
  bool ready(int frames) const;
  // The decoder is done and all it gave is in the ring.
  bool finished() const { return finished_.load(std::memory_order_acquire); }
  // Some of the stream has reached the ear (heardLag as for positionFrames),
  // or it ended with nothing to play.
  bool heard(int64_t heardLag) const { return ended_.load() || consumed_.load() > heardLag; }
  void wakeDecoder() { wake_.notify_all(); }

 private:
  struct ChainEntry {
    uint32_t handle;
    std::unique_ptr<Effect> effect;
  };
  void decodeLoop();
  void decodeChunk();
  std::unique_ptr<Effect> detach(uint32_t& handle);

  std::unique_ptr<Decoder> decoder_;
  StreamFormat format_;
  int outputRate_;

  // decoding side (decodeLock_)
  mutable std::mutex decodeLock_;
  std::condition_variable wake_;
  std::thread thread_;
  bool quit_ = false;
  bool decoderDone_ = false;
  int64_t decoderPosition_ = 0;
  std::unique_ptr<Resampler> resampler_;
  std::vector<float> native_;
  std::vector<float> pending_;
  size_t pendingAt_ = 0;  // frames of pending_ already in the ring
  std::atomic<int64_t> finalLength_{-1};
  std::atomic<bool> finished_{false};  // decoder done and everything is in the ring

  // output side (renderLock_ for the non-atomic members)
  mutable std::mutex renderLock_;
  FrameRing ring_;
  std::vector<float> scratch_;
  std::vector<ChainEntry> chain_;
  uint32_t eqHandle_ = 0, reverbHandle_ = 0, echoHandle_ = 0;
  Equalizer* eq_ = nullptr;
  Reverb* reverb_ = nullptr;
  Echo* echo_ = nullptr;
  VolumeRamp volume_;
  bool heard_ = false;
  std::unique_ptr<SignalTap> tap_;  // playing streams only
  std::atomic<int64_t> base_{0};      // stream frame where the ring's audio starts
  std::atomic<int64_t> consumed_{0};  // output frames taken from the ring since then
  std::atomic<State> state_{State::Stopped};
  std::atomic<bool> ended_{false};
  std::atomic<bool> starved_{false};
  std::atomic<float> replayGain_{1.0f};

  mutable std::mutex spectrumLock_;
  mutable std::unique_ptr<SpectrumAnalyser> analyser_;
};

}  // namespace youran
