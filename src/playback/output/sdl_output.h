#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "playback/output/audio_output.h"

namespace youran {

// The system's sound device through SDL2. The device runs SDL's callback on
// SDL's audio thread; SDL holds the device lock around it, which is what
// makes stop() wait for a callback in progress.
//
// A watcher thread of the output's own notices when the device goes away
// (the sound server restarted or crashed, headphones unplugged) and opens
// it again, or the default device when that one is gone, every
// kRetryMs until it can; the mixer's streams keep their positions, and
// since nothing renders while no device plays, their clocks stand still.
// The watcher also carries out a change of device asked for with
// setDeviceName.
class SdlOutput final : public AudioOutput {
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
  static constexpr int kRetryMs = 200;

  // Empty name: the system's default device. A name the sound system does
  // not offer (any more) opens the default device instead.
  explicit SdlOutput(std::string deviceName = {}) : wanted_(std::move(deviceName)) {}
  ~SdlOutput() override { close(); }

  // The playback devices the sound system offers now, by name.
  static std::vector<std::string> deviceNames();

  bool open(int rate, AudioSource& source) override;
  void start() override;
  void stop() override;
  void close() override;
  int rate() const override { return rate_; }
  int latencyFrames() const override { return kPeriodFrames + rate_ * kServerBufferMs / 1000; }
  void setStatusHandler(StatusHandler handler) override;
  void setDeviceName(const std::string& name) override;

 private:
  static void callback(void* self, uint8_t* stream, int bytes);
  // Opens wanted_ (or the default) at rate_; lock_ held.
  bool openDevice();
  void closeDevice();
  void watch();
  void report(OutputStatus status);

  std::mutex lock_;  // id_, wanted_, started_, the watcher's state
  std::condition_variable wake_;
  std::thread watcher_;
  bool quit_ = false;
  bool switchWanted_ = false;
  std::string wanted_;
  std::atomic<uint32_t> id_{0};
  bool subsystem_ = false;
  bool started_ = false;
  bool lost_ = false;
  int rate_ = 0;
  AudioSource* source_ = nullptr;
  std::mutex handlerLock_;
  StatusHandler handler_;
};

}  // namespace youran
