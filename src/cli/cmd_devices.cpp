// youranmusic-cli devices
// One JSON object per line and playback device the sound system offers:
// {"name": ...}, the name `play --device` and Setting.ini's Audio/Device take.

#include <cstdio>
#include <nlohmann/json.hpp>
#include <span>

#include "cli/command.h"
#include "playback/audio_engine.h"

namespace {

int runDevices(std::span<char*> args) {
  if (!args.empty()) {
    std::fputs("usage: youranmusic-cli devices\n", stderr);
    return 2;
  }
  for (const auto& name : youran::AudioEngine::outputDevices()) {
    nlohmann::json line;
    line["name"] = name;
    std::printf("%s\n", line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
  }
  return 0;
}

}  // namespace

YOURAN_CLI_COMMAND(devices, "devices", "devices", runDevices);
