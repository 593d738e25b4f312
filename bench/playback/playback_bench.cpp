// playback_bench [benchmark flags]   with YOURAN_BENCH_COVER_MP3, _MP3, _FLAC
// playback_bench --chain FILE SECONDS
//
// The Google Benchmark cases time opening and decoding; --chain plays FILE
// on the no-sound output for SECONDS with ten equaliser bands, reverb, echo
// and a spectrum read every 30 ms, as the player does, and exits (run.sh
// measures the process's CPU time next to mpv's).

#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "playback/audio_engine.h"
#include "playback/decode/ffmpeg_decoder.h"

namespace {

std::string fixture(const char* variable) {
  const char* v = std::getenv(variable);
  return v ? v : "";
}

void BM_OpenMeasureFree(benchmark::State& state, const char* variable) {
  std::string path = fixture(variable);
  auto& engine = youran::AudioEngine::instance();
  int64_t bytes = 0;
  for (auto _ : state) {
    uint32_t s = engine.createStream(path, {}, {}, youran::AudioEngine::kDecodeOnly);
    if (!s) {
      state.SkipWithError(("cannot open " + path).c_str());
      break;
    }
    bytes = engine.getLength(s);
    benchmark::DoNotOptimize(bytes);
    engine.freeStream(s);
  }
  state.counters["lengthBytes"] = static_cast<double>(bytes);
}
BENCHMARK_CAPTURE(BM_OpenMeasureFree, mp3_with_cover, "YOURAN_BENCH_COVER_MP3")->Unit(benchmark::kMicrosecond);

// The decoding thread's loop without the thread: decoder reads and the
// conversion to the output's stereo float.
void BM_DecodeLoop(benchmark::State& state, const char* variable) {
  std::string path = fixture(variable);
  int64_t frames = 0;
  std::vector<float> buffer(4096 * 8);
  for (auto _ : state) {
    youran::DecoderSource source;
    source.path = path;
    auto decoder = youran::openFfmpegDecoder(source);
    if (!decoder) {
      state.SkipWithError(("cannot open " + path).c_str());
      break;
    }
    frames = 0;
    while (int got = decoder->read(buffer.data(), 4096)) frames += got;
    benchmark::DoNotOptimize(buffer.data());
  }
  state.counters["frames"] = static_cast<double>(frames);
}
BENCHMARK_CAPTURE(BM_DecodeLoop, mp3, "YOURAN_BENCH_MP3")->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(BM_DecodeLoop, flac, "YOURAN_BENCH_FLAC")->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

int runChain(const std::string& path, double seconds) {
  auto& engine = youran::AudioEngine::instance();
  if (!engine.init(youran::AudioEngine::kNoSoundDevice)) return 1;
  uint32_t s = engine.createStream(path);
  if (!s) {
    std::fprintf(stderr, "cannot open %s\n", path.c_str());
    return 1;
  }
  constexpr std::array<float, 10> kCentres = {80, 125, 250, 500, 800, 1000, 2000, 4000, 8000, 16000};
  engine.addEqualizer(s);
  for (int band = 1; band <= 10; ++band) {
    engine.setEqBand(s, band, youran::EqParameters{kCentres[band - 1], 21, band % 2 ? 3.0f : -3.0f});
  }
  engine.addReverb(s, true);
  engine.setReverb(s, youran::ReverbParameters{0, -10, 1200, 0.5f});
  engine.addEcho(s, true);
  engine.setEcho(s, youran::EchoParameters{30, 30, 250, 260, false});
  engine.play(s);
  std::array<float, 256> fft{};
  auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  auto next = std::chrono::steady_clock::now();
  while (std::chrono::steady_clock::now() < until && engine.isActive(s) != youran::AudioEngine::kStopped) {
    engine.getFftData(s, fft);
    next += std::chrono::milliseconds(30);
    std::this_thread::sleep_until(next);
  }
  double played = engine.bytesToSeconds(s, engine.getPosition(s));
  engine.free();
  std::fprintf(stderr, "played %.2f s\n", played);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--chain") == 0) return runChain(argv[2], std::atof(argv[3]));
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
