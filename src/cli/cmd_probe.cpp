// youranmusic-cli probe FILE...
// One JSON object per line and file: what the audio engine makes of it.

#include <cstdio>
#include <nlohmann/json.hpp>
#include <span>
#include <string>

#include "base/time_text.h"
#include "cli/command.h"
#include "cli/plugins.h"
#include "playback/audio_engine.h"

namespace {

int runProbe(std::span<char*> args) {
  if (args.empty()) {
    std::fputs("usage: youranmusic-cli probe FILE...\n", stderr);
    return 2;
  }
  auto& engine = youran::AudioEngine::instance();
  youran::cli::loadDecoderPlugins(engine);
  int failures = 0;
  for (char* arg : args) {
    std::string path = arg;
    nlohmann::json line;
    line["path"] = path;
    uint32_t stream = engine.createStream(path, {}, {}, youran::AudioEngine::kDecodeOnly);
    auto info = engine.getInfo(stream);
    line["ok"] = stream != 0 && info.has_value();
    if (stream && info) {
      int64_t bytes = engine.getLength(stream);
      double seconds = bytes < 0 ? -1.0 : engine.bytesToSeconds(stream, bytes);
      line["rate"] = info->rate;
      line["channels"] = info->channels;
      line["lengthBytes"] = bytes;
      line["seconds"] = seconds;
      line["duration"] = youran::formatMinutesSeconds(static_cast<long long>(seconds));
    } else {
      ++failures;
    }
    engine.freeStream(stream);
    std::puts(line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
  }
  return failures ? 1 : 0;
}

}  // namespace

YOURAN_CLI_COMMAND(probe, "probe", "probe FILE...", runProbe);
