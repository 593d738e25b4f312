#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "playback/output/audio_output.h"

namespace youran {

// Writes what would be heard to a 32-bit float stereo WAV file, as fast as
// the machine allows. Only the time a stream is playing is written; with a
// frame limit the file stops there. The header's sizes are brought up to
// date on every stop() and on close().
class WavFileOutput final : public AudioOutput {
 public:
  explicit WavFileOutput(std::string path, int64_t maxFrames = -1)
      : path_(std::move(path)), maxFrames_(maxFrames) {}
  ~WavFileOutput() override { close(); }

  bool open(int rate, AudioSource& source) override;
  void start() override;
  void stop() override;
  void close() override;
  int rate() const override { return rate_; }
  bool realTime() const override { return false; }

  int64_t framesWritten() const { return written_.load(); }
  // True once the frame limit is reached or a write failed.
  bool finished() const { return finished_.load(); }
  bool failed() const { return failed_.load(); }

 private:
  void run();
  void writeHeader();

  std::string path_;
  int64_t maxFrames_;
  int rate_ = 44100;
  AudioSource* source_ = nullptr;
  FILE* file_ = nullptr;
  std::thread thread_;
  std::atomic<bool> running_{false};
  std::atomic<bool> finished_{false};
  std::atomic<bool> failed_{false};
  std::atomic<int64_t> written_{0};
  std::vector<float> buffer_;
};

}  // namespace youran
