#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "playback/output/audio_output.h"

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
// A watcher thread notices when the server goes away (restarted, crashed)
// or the sink does, and connects again every kRetryMs, to the same sink or
// the default one; while nothing plays, nothing renders, so the streams'
// clocks stand still.
class PulseOutput final : public AudioOutput {
 public:
  static constexpr int kServerBufferMs = 120;
  static constexpr int kRequestMs = 5;
  static constexpr int kRetryMs = 200;
  // The device's share, and what the server asks for at a time.
  static constexpr int kDeviceShareMs = (kServerBufferMs - 2 * kRequestMs) / 2;

  // Empty name: the server's default sink. Names are what SDL called the
  // sinks, so a choice stored before carries over: the description, and
  // " (2)", " (3)" after a description seen before.
  explicit PulseOutput(std::string deviceName = {}) : wanted_(std::move(deviceName)) {}
  ~PulseOutput() override { close(); }

  // Whether a server answers now (PULSE_SERVER, or the user's own).
  static bool serverAnswers();
  // The sinks by name, in the server's order; empty without a server.
  static std::vector<std::string> deviceNames();

  bool open(int rate, AudioSource& source) override;
  void start() override;
  void stop() override;
  void close() override;
  int rate() const override { return rate_; }
  // Right after a request is answered the server holds the whole queue,
  // right before the next one the queue less a request: heard on average
  // half a request sooner than the whole.
  int latencyFrames() const override { return rate_ * (2 * kServerBufferMs - kDeviceShareMs) / 2000; }
  void setStatusHandler(StatusHandler handler) override;
  void setDeviceName(const std::string& name) override;

 private:
  // Connects to the server and starts the stream on wanted_ (or the
  // default sink); lock_ held. False, with nothing left open, on failure.
  bool connect();
  void disconnect();
  void watch();
  void report(OutputStatus status);
  void fill(size_t bytes);
  static void onContextState(pa_context* context, void* self);
  static void onStreamState(pa_stream* stream, void* self);
  static void onWrite(pa_stream* stream, size_t bytes, void* self);

  std::mutex lock_;  // the connection, wanted_, the watcher's state
  std::condition_variable wake_;
  std::thread watcher_;
  bool quit_ = false;
  bool switchWanted_ = false;
  bool lost_ = false;
  std::string wanted_;
  int rate_ = 0;
  AudioSource* source_ = nullptr;
  // Read and written on libpulse's thread under its lock, and by start and
  // stop under the same lock.
  bool started_ = false;
  std::atomic<bool> broken_{false};
  pa_threaded_mainloop* loop_ = nullptr;
  pa_context* context_ = nullptr;
  pa_stream* stream_ = nullptr;
  std::mutex handlerLock_;
  StatusHandler handler_;
};

}  // namespace youran
