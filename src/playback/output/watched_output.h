#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "playback/output/audio_output.h"

namespace youran {

// An output on a sound device that can go away. A watcher thread of its own
// notices when it does (the sound server restarted or crashed, headphones
// unplugged) and opens it again, or the default device when that one is
// gone, every kRetryMs until it can, saying so once through the status
// handler; the mixer's streams keep their positions, and since nothing
// renders while no device plays, their clocks stand still. The watcher also
// carries out a change of device asked for with setDeviceName.
//
// A subclass opens, closes and checks the device, always with lock_ held,
// and calls close() in its destructor.
class WatchedOutput : public AudioOutput {
 public:
  static constexpr int kRetryMs = 200;

  bool open(int rate, AudioSource& source) final;
  void close() final;
  int rate() const final { return rate_; }
  void setStatusHandler(StatusHandler handler) final;
  void setDeviceName(const std::string& name) final;

 protected:
  // Empty name: the system's default device. A name the sound system does
  // not offer (any more) opens the default device instead.
  explicit WatchedOutput(std::string deviceName) : wanted_(std::move(deviceName)) {}

  // Opens wanted_ (or the default) at rate_; false when it cannot.
  virtual bool openDevice() = 0;
  // Closes what is open, also after a failed openDevice.
  virtual void closeDevice() = 0;
  // Whether the device went away, or none is open.
  virtual bool deviceGone() = 0;

  std::mutex lock_;  // the device, wanted_, started_, the watcher's state
  std::condition_variable wake_;
  std::string wanted_;
  bool started_ = false;
  int rate_ = 0;
  AudioSource* source_ = nullptr;

 private:
  void watch();
  void report(OutputStatus status);

  std::thread watcher_;
  bool quit_ = false;
  bool switchWanted_ = false;
  bool lost_ = false;
  std::mutex handlerLock_;
  StatusHandler handler_;
};

}  // namespace youran
