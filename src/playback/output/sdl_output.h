#pragma once

#include <cstdint>

#include "playback/output/audio_output.h"

namespace youran {

// The system's sound device through SDL2. The device runs SDL's callback on
// SDL's audio thread; SDL holds the device lock around it, which is what
// makes stop() wait for a callback in progress.
class SdlOutput final : public AudioOutput {
 public:
  // device -1: the system default; 1..n: SDL's playback device n - 1.
  explicit SdlOutput(int device) : device_(device) {}

  // Frames per callback: the device's buffer. Effects, volume and balance
  // act on what the callback renders, so a change is heard within about two
  // of these: 512 frames (11.6 ms at 44.1 kHz) keep a slider move under
  // 30 ms, where 1024 took up to 46 ms (bench/playback, --latency).
  static constexpr int kPeriodFrames = 512;
  ~SdlOutput() override { close(); }

  bool open(int rate, AudioSource& source) override;
  void start() override;
  void stop() override;
  void close() override;
  int rate() const override { return rate_; }

 private:
  static void callback(void* self, uint8_t* stream, int bytes);

  int device_;
  uint32_t id_ = 0;
  int rate_ = 0;
  bool subsystem_ = false;
  AudioSource* source_ = nullptr;
};

}  // namespace youran
