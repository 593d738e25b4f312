#include "playback/plugins/midi/soundfont_choice.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace youran::midi {

bool isSoundFontFile(const std::string& path) {
  if (path.empty()) return false;
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!file) return false;
  // "RIFF", the little-endian chunk size, then the form type.
  unsigned char head[12];
  if (std::fread(head, 1, sizeof head, file.get()) != sizeof head) return false;
  return std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "sfbk", 4) == 0;
}

std::optional<std::string> chooseSoundFont(const std::string& configured,
                                           std::span<const std::string_view> systemPaths,
                                           std::string* note) {
  if (!configured.empty()) {
    if (isSoundFontFile(configured)) return configured;
    if (note) *note = "MidiSoundFont " + configured + " is not a SoundFont; using the system one";
  }
  for (auto path : systemPaths) {
    std::string p(path);
    if (isSoundFontFile(p)) return p;
  }
  return std::nullopt;
}

}  // namespace youran::midi
