#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "playback/decode/plugin_decoders.h"
#include "playback/dsp/effect_parameters.h"
#include "playback/mixer.h"
#include "playback/output/audio_output.h"

namespace youran {

class Stream;

// The player's one object in front of decoding, effects and the sound
// device. Streams and effects are 32-bit handles, 0 meaning none. Positions
// and lengths are bytes of the stream decoded as 16-bit samples at the
// stream's own rate and channel count.
//
// Every operation may be called from any thread. Decoding runs on a thread
// per playing stream, the output pulls from it, so playback never waits for
// the caller's thread.
class AudioEngine {
 public:
  // createStream flag: a stream that is only measured or read, never
  // played. It has no decoding thread, and free() leaves it alone.
  static constexpr uint32_t kDecodeOnly = 0x200000;

  // Device 0: the no-sound output (consumes audio in real time).
  static constexpr int kNoSoundDevice = 0;
  static constexpr int kDefaultDevice = -1;

  enum Activity { kStopped = 0, kPlaying = 1, kStalled = 2, kPaused = 3 };

  struct Info {
    int rate = 0;
    int channels = 0;
    bool decodeOnly = false;
  };

  AudioEngine();
  ~AudioEngine();
  AudioEngine(const AudioEngine&) = delete;
  AudioEngine& operator=(const AudioEngine&) = delete;

  static AudioEngine& instance();

  // device -1: the system's default sound device (the no-sound output when
  // YOURAN_AUDIO_DEVICE=none); 0: no sound; n >= 1: the n-th sound device.
  // False when the device cannot be opened. Again with the same device and
  // rate after free() reuses the open device.
  bool init(int device = kDefaultDevice, int frequency = 44100);
  // The sound device the default device (-1) means: a name from
  // outputDevices(), empty for the system's default. Takes effect at once
  // when the device is open; a name not offered plays on the default.
  void setDeviceName(const std::string& name);
  std::string deviceName() const;
  // The sound system's playback devices, by name.
  static std::vector<std::string> outputDevices();
  // Told (from the output's thread) when the sound device is lost and no
  // device can be opened, and when sound is back.
  void setOutputStatusHandler(AudioOutput::StatusHandler handler);

  // The same with an output of the caller's (a WAV file, a test double).
  bool initWithOutput(std::unique_ptr<AudioOutput> output, int frequency = 44100);
  // Stops the output and frees every stream and effect except decode-only
  // streams. The balance is kept.
  void free();
  bool initialised() const;

  // Decoder plug-in; failures are ignored (and logged). `settings` answers
  // the plug-in's own settings.
  void loadPlugin(const std::string& path, const PluginSettings& settings = {});

  // From a file path, else a memory block, else a URL; 0 on failure (the
  // last created handle is then left as it was). Plug-ins that claim the
  // file's extension are asked before FFmpeg. A playable stream needs init.
  uint32_t createStream(const std::string& path, std::span<const uint8_t> memory = {},
                        const std::string& url = {}, uint32_t flags = 0);
  uint32_t lastStream() const { return lastStream_.load(); }

  bool play(uint32_t stream, bool restart = true);
  void pause(uint32_t stream);
  // Stops the stream and releases it.
  void stop(uint32_t stream);
  void freeStream(uint32_t stream);

  // Gapless playback: `next` starts in the block in which `stream` ends,
  // its first sample right after the other's last, through the same output
  // (nothing is re-initialised) and at the volume it was given (no fade).
  // Streams of any rate and channel count join: both already play at the
  // output's. `next` starts decoding now. False when either is not a
  // playable stream, `stream` has already ended, or either is already
  // joined; freeing either stream cancels the join.
  bool playAfter(uint32_t stream, uint32_t next);
  // Whether any of the stream's audio has reached the ear yet (or it ended
  // with none): the moment a joined stream is heard.
  bool isHeard(uint32_t stream) const;

  int isActive(uint32_t stream) const;
  int64_t getPosition(uint32_t stream) const;
  void setPosition(uint32_t stream, int64_t bytes);
  int64_t getLength(uint32_t stream) const;
  double bytesToSeconds(uint32_t stream, int64_t bytes) const;
  int64_t secondsToBytes(uint32_t stream, double seconds) const;
  std::optional<Info> getInfo(uint32_t stream) const;

  // percent 0..100, applied as a short ramp while the stream is heard.
  void setVolume(uint32_t stream, int percent);
  // Loudness levelling: a linear factor applied before the effects, so they,
  // the level and the spectrum see the levelled signal. 1 = unchanged.
  void setReplayGain(uint32_t stream, double factor);
  // From fromPercent to toPercent in a straight line over milliseconds.
  void rampVolume(uint32_t stream, int fromPercent, int toPercent, int milliseconds);

  // (right, left), each 0..32768: the peak of the last 20 ms heard, after
  // volume and effects; (0, 0) when the stream is not playing.
  std::pair<int, int> getLevel(uint32_t stream) const;

  // Effect handles; 0 when nothing was added.
  uint32_t addReverb(uint32_t stream, bool apply);
  uint32_t addEcho(uint32_t stream, bool apply);
  bool addEqualizer(uint32_t stream);
  // Slot 1..36. False for stream 0, a stream without the equaliser, or a set
  // outside the accepted ranges (the slot keeps its parameters).
  bool setEqBand(uint32_t stream, int slot, EqParameters parameters);
  bool setReverb(uint32_t stream, ReverbParameters parameters);
  bool setEcho(uint32_t stream, EchoParameters parameters);
  void removeReverb(uint32_t stream);
  void removeEcho(uint32_t stream);
  void removeEqualizer(uint32_t stream);
  std::optional<EqParameters> getEqBand(uint32_t stream, int slot) const;
  std::optional<ReverbParameters> getReverb(uint32_t stream) const;
  std::optional<EchoParameters> getEcho(uint32_t stream) const;

  // The 512-sample FFT of the stream's most recently heard audio: 256
  // magnitudes. Returns 256, or -1 when there is no such stream.
  int getFftData(uint32_t stream, std::span<float, 256> out) const;

  // Balance: gain of the output's channel 0 (left) or 1 (right), 0..1,
  // default 1. Kept across free/init like a device setting.
  bool setChannelGain(int channel, float gain);
  float channelGain(int channel) const;

 private:
  std::shared_ptr<Stream> find(uint32_t stream) const;
  int64_t frameBytes(const Stream& s) const;
  bool startOutput(std::unique_ptr<AudioOutput> output, int device, int frequency);

  // Serialises init/free and owns the output.
  mutable std::mutex lifecycleLock_;
  std::unique_ptr<AudioOutput> output_;
  int outputDevice_ = -2;  // what output_ was opened for; -2 custom
  int outputFrequency_ = 0;
  std::string deviceName_;
  AudioOutput::StatusHandler statusHandler_;

  // The handle table; mixer membership changes only with it held.
  mutable std::mutex tableLock_;
  std::map<uint32_t, std::shared_ptr<Stream>> streams_;
  bool initialised_ = false;
  int outputRate_ = 0;
  std::atomic<int64_t> heardLag_{0};  // the output's latencyFrames
  uint32_t nextHandle_ = 1;
  std::atomic<uint32_t> lastStream_{0};
  std::atomic<uint32_t> nextEffect_{1};

  Mixer mixer_;
  PluginDecoders plugins_;
};

}  // namespace youran
