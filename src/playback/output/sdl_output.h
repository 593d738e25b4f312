#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "playback/output/watched_output.h"

namespace youran {

// The system's sound device through SDL2, where no PulseAudio-protocol
// server answers. The device runs SDL's callback on SDL's audio thread;
// SDL holds the device lock around it, which is what makes stop() wait for
// a callback in progress.
class SdlOutput final : public WatchedOutput {
 public:
  // Frames per callback, and what the server keeps queued ahead of the
  // sink. A slider move is heard after the queue plus at most one period
  // (bench/playback: under 150 ms). A render thread, or a server thread,
  // late by less than the queue is never heard: 512 frames with a queue of
  // one period (what SDL asks PulseAudio for by itself, 12 ms) dropped out
  // as soon as the machine was busy, and 60 ms still did now and then with
  // four busy loops beside other work on two cores.
  static constexpr int kPeriodFrames = 1024;
  static constexpr int kServerBufferMs = 100;

  explicit SdlOutput(std::string deviceName = {}) : WatchedOutput(std::move(deviceName)) {}
  ~SdlOutput() override { close(); }

  // The playback devices the sound system offers now, by name.
  static std::vector<std::string> deviceNames();

  void start() override;
  void stop() override;
  int latencyFrames() const override { return kPeriodFrames + rate_ * kServerBufferMs / 1000; }

 private:
  static void callback(void* self, uint8_t* stream, int bytes);
  bool openDevice() override;
  void closeDevice() override;
  bool deviceGone() override;

  std::atomic<uint32_t> id_{0};
  bool subsystem_ = false;
};

}  // namespace youran
