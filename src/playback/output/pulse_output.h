#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "playback/output/watched_output.h"

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;

namespace youran {

// The sound device through the PulseAudio protocol (PulseAudio itself, or
// PipeWire's pipewire-pulse): what a Linux desktop runs. Used instead of
// SDL whenever such a server answers, because it lets the player choose
// how the server wakes:
//
// The server holds kServerBufferMs in all, and splits it between its queue
// for our stream and the device's own buffer: (queue - 2 × the request
// size) / 2 goes to the device, and the server asks for about that much at
// a time. Small requests (kRequestMs) give the device the largest share,
// 55 ms of 120, so the server wakes for us about half as often as for the
// 20 ms requests libpulse picks by itself. A moved slider is in the next
// request's audio and heard when the queue ahead of it has played: at
// most one request plus what is queued then, about 120 ms. The requests
// are answered on libpulse's own thread, raised like a sound thread, with
// the whole amount rendered at once.
//
// A lost server (restarted, crashed) or sink is noticed through libpulse's
// state callbacks and connected to again as WatchedOutput does.
class PulseOutput final : public WatchedOutput {
 public:
  static constexpr int kServerBufferMs = 120;
  static constexpr int kRequestMs = 5;
  // The device's share, and what the server asks for at a time.
  static constexpr int kDeviceShareMs = (kServerBufferMs - 2 * kRequestMs) / 2;

  // Empty name: the server's default sink. Names are what SDL called the
  // sinks, so a choice stored before carries over: the description, and
  // " (2)", " (3)" after a description seen before.
  explicit PulseOutput(std::string deviceName = {}) : WatchedOutput(std::move(deviceName)) {}
  ~PulseOutput() override { close(); }

  // Whether a server answers now (PULSE_SERVER, or the user's own).
  static bool serverAnswers();
  // The sinks by name, in the server's order; empty without a server.
  static std::vector<std::string> deviceNames();

  void start() override;
  void stop() override;
  // Right after a request is answered the server holds the whole queue,
  // right before the next one the queue less a request: heard on average
  // half a request sooner than the whole.
  int latencyFrames() const override { return rate_ * (2 * kServerBufferMs - kDeviceShareMs) / 2000; }

 private:
  // Connects to the server and starts the stream on wanted_ (or the
  // default sink).
  bool openDevice() override;
  void closeDevice() override;
  bool deviceGone() override { return !loop_ || broken_; }
  void fill(size_t bytes);
  void noteState(bool good);
  static void onContextState(pa_context* context, void* self);
  static void onStreamState(pa_stream* stream, void* self);
  static void onWrite(pa_stream* stream, size_t bytes, void* self);

  // started_ is read on libpulse's thread under its lock, and written by
  // start and stop under the same lock.
  std::atomic<bool> broken_{false};
  pa_threaded_mainloop* loop_ = nullptr;
  pa_context* context_ = nullptr;
  pa_stream* stream_ = nullptr;
};

}  // namespace youran
