// Any bytes as a MIDI file in memory, through the MIDI plug-in's own table:
// open and measure, and for inputs whose first byte is odd also render,
// seek and render again (every event reaches FluidSynth, sysex included).
// Reading is bounded so a file claiming hours still ends quickly.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "playback/decode/decoder_plugin.h"

extern "C" void youran_decoder_plugin_configure(youran_decoder_setting_fn setting, void* context);
extern "C" const youran_decoder_plugin_table* youran_decoder_plugin(void);

namespace {

const youran_decoder_plugin_table* table() {
  static const youran_decoder_plugin_table* t = [] {
    // The small SoundFont: a synthesiser is made for every rendered input.
    static const std::string soundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
    youran_decoder_plugin_configure([](void*, const char*) { return soundFont.c_str(); }, nullptr);
    return youran_decoder_plugin();
  }();
  return t;
}

constexpr int64_t kMostFrames = 2 * 44100;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || !table()) return 0;
  const bool render = data[0] & 1;
  std::vector<uint8_t> bytes(data + 1, data + size);  // exactly sized, so ASan sees any overread
  void* handle = table()->open(nullptr, bytes.data(), bytes.size());
  if (!handle) return 0;
  youran_decoder_info info{};
  if (table()->info(handle, &info) != 0 || info.sample_rate != 44100 || info.channels != 2 ||
      info.length_frames < 0)
    __builtin_trap();
  if (render) {
    std::vector<int16_t> buffer(2 * 4096);
    int64_t total = 0;
    while (total < kMostFrames) {
      int64_t got = table()->read(handle, buffer.data(), 4096);
      if (got <= 0) break;
      if (got > 4096) __builtin_trap();
      total += got;
    }
    if (total >= info.length_frames && table()->read(handle, buffer.data(), 4096) != 0)
      __builtin_trap();
    if (table()->seek(handle, info.length_frames / 2) != 0) __builtin_trap();
    table()->read(handle, buffer.data(), 4096);
  }
  table()->close(handle);
  return 0;
}
