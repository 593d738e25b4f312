#pragma once

#include <functional>
#include <string>

namespace youran {

// What a device output tells its owner about the device, from the output's
// own thread: it went away and no device can be opened (said once per
// loss), or sound plays again.
enum class OutputStatus { Lost, Back };

// What an output pulls from: the engine's mixer.
class AudioSource {
 public:
  virtual ~AudioSource() = default;
  // Fills `frames` interleaved stereo float frames (silence where nothing
  // plays) and returns how many of them carry a playing stream's audio.
  // With waitForData the call first waits (briefly, repeatedly) until every
  // playing stream has its audio decoded: offline outputs never write the
  // gaps a real-time output would play while a decoder catches up.
  virtual int render(float* stereo, int frames, bool waitForData) = 0;
};

// One place audio goes: a sound device, the no-sound output, a file.
//
// Threading: the engine calls open, start, stop and close from any thread,
// one at a time (under its lifecycle lock). The output calls
// AudioSource::render from a thread of its own (the device's callback
// thread, a pacing thread, a writer thread) and from nowhere else. After
// stop() returns, render is not running and is not called again until the
// next start(). render never blocks on a lock held for long and never
// allocates, so a device callback may call it directly.
class AudioOutput {
 public:
  virtual ~AudioOutput() = default;

  // Prepares the output at `rate` frames per second, stereo float. False
  // when the device (or file) cannot be opened.
  virtual bool open(int rate, AudioSource& source) = 0;
  virtual void start() = 0;
  virtual void stop() = 0;
  virtual void close() = 0;

  // The rate really in use (after open).
  virtual int rate() const = 0;
  // A real-time output plays at the rate of a clock; an offline one (a file)
  // as fast as the machine allows.
  virtual bool realTime() const { return true; }

  // Frames at the output's rate between render and the ear: what the
  // device and the sound server hold.
  virtual int latencyFrames() const { return 0; }

  using StatusHandler = std::function<void(OutputStatus)>;
  // Outputs that can lose their device report through this.
  virtual void setStatusHandler(StatusHandler) {}
  // Moves the sound to the named device (empty: the default); outputs
  // without a choice of device ignore it.
  virtual void setDeviceName(const std::string&) {}
};

}  // namespace youran
