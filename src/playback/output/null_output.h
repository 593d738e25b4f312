#pragma once

#include <atomic>
#include <thread>
#include <vector>

#include "playback/output/audio_output.h"

namespace youran {

// The "no sound" device: a thread that pulls audio at the real-time rate and
// drops it, so positions advance and level and spectrum work without a
// sound card.
class NullOutput final : public AudioOutput {
 public:
  ~NullOutput() override { close(); }
  bool open(int rate, AudioSource& source) override;
  void start() override;
  void stop() override;
  void close() override { stop(); }
  int rate() const override { return rate_; }

 private:
  void run();

  int rate_ = 44100;
  AudioSource* source_ = nullptr;
  std::thread thread_;
  std::atomic<bool> running_{false};
  std::vector<float> buffer_;
};

}  // namespace youran
