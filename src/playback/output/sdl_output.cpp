#include "playback/output/sdl_output.h"

#include <SDL.h>

#include <string>

#include "base/log.h"

namespace youran {

bool SdlOutput::open(int rate, AudioSource& source) {
  close();
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    logWarning("playback", std::string("no sound system: ") + SDL_GetError());
    return false;
  }
  subsystem_ = true;
  const char* name = nullptr;
  if (device_ >= 1) {
    name = SDL_GetAudioDeviceName(device_ - 1, 0);
    if (!name) {
      logWarning("playback", "no sound device " + std::to_string(device_));
      close();
      return false;
    }
  }
  SDL_AudioSpec want{};
  want.freq = rate;
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
    close();
    return false;
  }
  rate_ = rate;
  source_ = &source;
  return true;
}

void SdlOutput::start() {
  if (id_) SDL_PauseAudioDevice(id_, 0);
}

void SdlOutput::stop() {
  if (id_) SDL_PauseAudioDevice(id_, 1);
}

void SdlOutput::close() {
  if (id_) {
    SDL_CloseAudioDevice(id_);
    id_ = 0;
  }
  if (subsystem_) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    subsystem_ = false;
  }
}

void SdlOutput::callback(void* self, uint8_t* stream, int bytes) {
  auto* out = static_cast<SdlOutput*>(self);
  out->source_->render(reinterpret_cast<float*>(stream), bytes / int(2 * sizeof(float)), false);
}

}  // namespace youran
