#include "playback/output/sdl_output.h"

#include <SDL.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/log.h"
#include "playback/output/sound_thread.h"

namespace youran {

namespace {

// SDL's audio subsystem, its device list and its driver are process-wide
// and not safe to use from two threads at once: every use goes through
// this lock.
std::mutex& sdlAudioLock() {
  static std::mutex lock;
  return lock;
}

// The name of the driver that first worked; a reopen after a loss asks for
// it again instead of whichever driver answers while the server is away.
std::string& firstDriver() {
  static std::string name;
  return name;
}

void prepareSdl() {
  static bool done = false;
  if (done) return;
  done = true;
  // SDL's own SIGINT/SIGTERM handlers only post a quit event nobody reads,
  // which left the player deaf to a log-out; the program handles signals.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // The audio thread asks for time-critical priority; this makes it a
  // real-time thread where the system allows (rtkit, or the right to).
  SDL_SetHint(SDL_HINT_THREAD_FORCE_REALTIME_TIME_CRITICAL, "1");
  SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "悠然音乐");
  SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, "音乐");
  // SDL asks PulseAudio (and pipewire-pulse) for a buffer of one period;
  // libpulse takes the whole buffer from this variable instead, unless the
  // user set it.
  setenv("PULSE_LATENCY_MSEC", std::to_string(SdlOutput::kServerBufferMs).c_str(), 0);
  // SDL's native PipeWire driver takes its quantum from this.
  setenv("PIPEWIRE_LATENCY", (std::to_string(SdlOutput::kPeriodFrames) + "/48000").c_str(), 0);
}

bool initAudio() {
  prepareSdl();
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  if (firstDriver().empty()) {
    if (const char* driver = SDL_GetCurrentAudioDriver()) {
      firstDriver() = driver;
      SDL_SetHint(SDL_HINT_AUDIODRIVER, driver);
    }
  }
  return true;
}

bool offered(const std::string& name) {
  int n = SDL_GetNumAudioDevices(0);
  for (int i = 0; i < n; ++i) {
    const char* device = SDL_GetAudioDeviceName(i, 0);
    if (device && name == device) return true;
  }
  return false;
}

}  // namespace

std::vector<std::string> SdlOutput::deviceNames() {
  std::lock_guard sdl(sdlAudioLock());
  std::vector<std::string> names;
  if (!initAudio()) return names;
  int n = SDL_GetNumAudioDevices(0);
  for (int i = 0; i < n; ++i) {
    if (const char* name = SDL_GetAudioDeviceName(i, 0)) names.emplace_back(name);
  }
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  return names;
}

bool SdlOutput::openDevice() {
  std::lock_guard sdl(sdlAudioLock());
  if (!subsystem_) {
    if (!initAudio()) {
      logWarning("playback", std::string("no sound system: ") + SDL_GetError());
      return false;
    }
    subsystem_ = true;
  }
  const char* name = nullptr;
  if (!wanted_.empty()) {
    if (offered(wanted_)) {
      name = wanted_.c_str();
    } else {
      logWarning("playback", "no sound device \"" + wanted_ + "\", using the default");
    }
  }
  SDL_AudioSpec want{};
  want.freq = rate_;
  want.format = AUDIO_F32SYS;
  want.channels = 2;
  want.samples = kPeriodFrames;
  want.callback = &SdlOutput::callback;
  want.userdata = this;
  SDL_AudioSpec have{};
  // No changes allowed: SDL converts to whatever the device wants, so the
  // mixer always works at the rate the player asked for.
  id_ = SDL_OpenAudioDevice(name, 0, &want, &have, 0);
  if (id_ == 0) {
    logWarning("playback", std::string("cannot open the sound device: ") + SDL_GetError());
    return false;
  }
  if (started_) SDL_PauseAudioDevice(id_, 0);
  return true;
}

// The subsystem goes too: a server that went away leaves SDL's driver
// connected to nothing, and only a fresh start of it reaches the new one.
void SdlOutput::closeDevice() {
  std::lock_guard sdl(sdlAudioLock());
  if (id_) {
    SDL_CloseAudioDevice(id_);
    id_ = 0;
  }
  if (subsystem_) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    subsystem_ = false;
  }
}

void SdlOutput::start() {
  std::lock_guard guard(lock_);
  started_ = true;
  if (id_) SDL_PauseAudioDevice(id_, 0);
}

void SdlOutput::stop() {
  std::lock_guard guard(lock_);
  started_ = false;
  if (id_) SDL_PauseAudioDevice(id_, 1);
}

bool SdlOutput::deviceGone() { return id_ == 0 || SDL_GetAudioDeviceStatus(id_) == SDL_AUDIO_STOPPED; }

void SdlOutput::callback(void* self, uint8_t* stream, int bytes) {
  // SDL raises its audio thread only to "high", which on Linux it tries
  // through rtkit alone.
  raiseSoundThread();
  auto* out = static_cast<SdlOutput*>(self);
  // SDL goes on calling a device it lost at the pace of a real one; taking
  // audio then would move the streams' clocks past what nobody heard.
  if (SDL_GetAudioDeviceStatus(out->id_.load(std::memory_order_relaxed)) == SDL_AUDIO_STOPPED) {
    std::memset(stream, 0, size_t(bytes));
    return;
  }
  out->source_->render(reinterpret_cast<float*>(stream), bytes / int(2 * sizeof(float)), false);
}

}  // namespace youran
