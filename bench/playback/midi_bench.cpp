// midi_bench PLUGIN SOUNDFONT FILE.mid [OUT.raw]
//
// Renders FILE.mid to its end through the MIDI plug-in's table, as the
// engine's decoding thread reads it, writing the 16-bit stereo samples to
// OUT.raw when given (as `fluidsynth -F` writes its WAV). run.sh times this
// process next to fluidsynth's own renderer on the same file and SoundFont;
// the in-process figures printed here leave out the process start.

#include <dlfcn.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "playback/decode/decoder_plugin.h"

namespace {

double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fputs("usage: midi_bench PLUGIN SOUNDFONT FILE.mid [OUT.raw]\n", stderr);
    return 2;
  }
  void* module = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    std::fprintf(stderr, "midi_bench: %s\n", dlerror());
    return 1;
  }
  auto configure = reinterpret_cast<youran_decoder_plugin_configure_fn>(
      dlsym(module, YOURAN_DECODER_PLUGIN_CONFIGURE_SYMBOL));
  auto entry =
      reinterpret_cast<youran_decoder_plugin_fn>(dlsym(module, YOURAN_DECODER_PLUGIN_SYMBOL));
  if (!configure || !entry) return 1;
  std::string soundFont = argv[2];
  configure([](void* path, const char*) { return static_cast<const std::string*>(path)->c_str(); },
            &soundFont);
  const youran_decoder_plugin_table* table = entry();
  if (!table) return 1;

  std::unique_ptr<FILE, int (*)(FILE*)> out(argc > 4 ? std::fopen(argv[4], "wb") : nullptr,
                                            std::fclose);
  auto wall = std::chrono::steady_clock::now();
  double cpu = cpuSeconds();
  void* handle = table->open(argv[3], nullptr, 0);
  if (!handle) {
    std::fprintf(stderr, "midi_bench: cannot open %s\n", argv[3]);
    return 1;
  }
  youran_decoder_info info{};
  table->info(handle, &info);
  std::vector<int16_t> block(2 * 4096);
  int64_t frames = 0;
  for (int64_t got; (got = table->read(handle, block.data(), 4096)) > 0; frames += got) {
    if (out) std::fwrite(block.data(), sizeof(int16_t), size_t(got) * 2, out.get());
  }
  table->close(handle);
  cpu = cpuSeconds() - cpu;
  double wallSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count();
  double seconds = double(frames) / info.sample_rate;
  std::printf(
      "rendered %.2f s of audio (length %.2f s): %.3f s CPU, %.3f s wall, %.0fx real time "
      "in-process\n",
      seconds, double(info.length_frames) / info.sample_rate, cpu, wallSeconds, seconds / cpu);
  return frames == info.length_frames ? 0 : 1;
}
