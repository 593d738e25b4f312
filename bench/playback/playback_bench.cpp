// playback_bench [benchmark flags]   with YOURAN_BENCH_COVER_MP3, _MP3, _FLAC
// playback_bench --chain FILE SECONDS
// playback_bench --latency TONEFILE [PERIOD_FRAMES]
//
// The Google Benchmark cases time opening and decoding; --chain plays FILE
// on the no-sound output for SECONDS with ten equaliser bands, reverb, echo
// and a spectrum read every 30 ms, as the player does, and exits (run.sh
// measures the process's CPU time next to mpv's). --latency plays a steady
// 1 kHz tone through an output that pulls like the sound device (one period
// per callback, the period handed over playing after the one before it) and
// measures how long after an equaliser band is set the first changed sample
// is heard.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <mutex>
#include <random>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "playback/audio_engine.h"
#include "playback/decode/ffmpeg_decoder.h"
#include "playback/output/audio_output.h"
#include "playback/output/sdl_output.h"

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

// Pulls `period` frames per callback at the real-time rate, as the sound
// device's callback does, and watches for the first sample louder than
// `threshold` once armed. A block handed over at time t is heard from t plus
// one period (the device plays the block before it meanwhile).
class DeviceLikeOutput final : public youran::AudioOutput {
 public:
  using Clock = std::chrono::steady_clock;
  explicit DeviceLikeOutput(int period) : period_(period), buffer_(2 * static_cast<size_t>(period)) {}
  ~DeviceLikeOutput() override { stop(); }
  bool open(int rate, youran::AudioSource& source) override {
    rate_ = rate;
    source_ = &source;
    return true;
  }
  void start() override {
    if (running_.exchange(true)) return;
    thread_ = std::thread([this] { run(); });
  }
  void stop() override {
    running_ = false;
    if (thread_.joinable()) thread_.join();
  }
  void close() override { stop(); }
  int rate() const override { return rate_; }

  // From now on, the first sample above `threshold` is noted; returns the
  // moment of arming.
  Clock::time_point arm(float threshold) {
    std::lock_guard guard(lock_);
    threshold_ = threshold;
    heardAt_.reset();
    leftAt_.reset();
    armedAt_ = Clock::now();
    armed_ = true;
    return armedAt_;
  }
  // When the changed sample left the engine, and when it is heard; empty
  // while it has not come yet.
  std::optional<std::pair<Clock::time_point, Clock::time_point>> result() {
    std::lock_guard guard(lock_);
    if (!heardAt_) return std::nullopt;
    return std::pair{*leftAt_, *heardAt_};
  }
  float peak() {
    std::lock_guard guard(lock_);
    return lastPeak_;
  }

 private:
  void run() {
    const auto start = Clock::now();
    int64_t rendered = 0;
    const auto periodTime = std::chrono::duration<double>(double(period_) / rate_);
    while (running_) {
      const auto called = Clock::now();
      source_->render(buffer_.data(), period_, false);
      rendered += period_;
      float peak = 0;
      std::unique_lock guard(lock_);
      for (int i = 0; i < period_; ++i) {
        const float v = std::max(std::fabs(buffer_[2 * i]), std::fabs(buffer_[2 * i + 1]));
        peak = std::max(peak, v);
        if (armed_ && v > threshold_) {
          const auto offset = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(double(i) / rate_));
          // A render already under way when the band was set can carry the
          // change; it leaves no earlier than the set itself.
          leftAt_ = std::max(called + offset, armedAt_);
          heardAt_ = called + std::chrono::duration_cast<Clock::duration>(periodTime) + offset;
          armed_ = false;
        }
      }
      lastPeak_ = peak;
      guard.unlock();
      std::this_thread::sleep_until(start + std::chrono::duration<double>(double(rendered) / rate_));
    }
  }

  int period_;
  int rate_ = 44100;
  youran::AudioSource* source_ = nullptr;
  std::vector<float> buffer_;
  std::thread thread_;
  std::atomic<bool> running_{false};
  std::mutex lock_;
  bool armed_ = false;
  float threshold_ = 1;
  float lastPeak_ = 0;
  Clock::time_point armedAt_;
  std::optional<Clock::time_point> leftAt_, heardAt_;
};

// A slider move while playing: band 6 (1 kHz) from 0 to +12 dB, timed to the
// first sample louder than the steady tone by 10 %, 40 times at random
// moments within the device's period.
int runLatency(const std::string& path, int period) {
  using Clock = DeviceLikeOutput::Clock;
  auto& engine = youran::AudioEngine::instance();
  auto owned = std::make_unique<DeviceLikeOutput>(period);
  DeviceLikeOutput* output = owned.get();
  if (!engine.initWithOutput(std::move(owned))) return 1;
  uint32_t s = engine.createStream(path);
  if (!s || !engine.addEqualizer(s)) {
    std::fprintf(stderr, "cannot open %s\n", path.c_str());
    return 1;
  }
  const youran::EqParameters flat{1000, 12, 0}, raised{1000, 12, 12};
  engine.setEqBand(s, 6, flat);
  engine.play(s);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  std::mt19937 random(7);
  std::vector<double> left, heard;
  for (int trial = 0; trial < 40; ++trial) {
    engine.setEqBand(s, 6, flat);
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    const float steady = output->peak();
    std::this_thread::sleep_for(std::chrono::microseconds(
        std::uniform_int_distribution<int>(0, int(int64_t(period) * 1000000 / 44100))(random)));
    const auto setAt = output->arm(steady * 1.1f);
    engine.setEqBand(s, 6, raised);
    std::optional<std::pair<Clock::time_point, Clock::time_point>> r;
    const auto giveUp = setAt + std::chrono::seconds(1);
    while (!(r = output->result()) && Clock::now() < giveUp) std::this_thread::sleep_for(std::chrono::microseconds(200));
    if (!r) {
      std::fprintf(stderr, "trial %d: no change heard within 1 s\n", trial);
      return 1;
    }
    left.push_back(std::chrono::duration<double, std::milli>(r->first - setAt).count());
    heard.push_back(std::chrono::duration<double, std::milli>(r->second - setAt).count());
  }
  engine.free();
  const auto report = [](const char* what, std::vector<double> v) {
    std::sort(v.begin(), v.end());
    std::printf("%-34s median %6.1f ms  p95 %6.1f ms  max %6.1f ms\n", what, v[v.size() / 2],
                v[v.size() * 95 / 100], v.back());
  };
  std::printf("period %d frames (%.1f ms), %zu moves\n", period, period * 1000.0 / 44100, heard.size());
  report("set -> changed sample leaves engine", left);
  report("set -> changed sample heard", heard);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--chain") == 0) return runChain(argv[2], std::atof(argv[3]));
  if ((argc == 3 || argc == 4) && std::strcmp(argv[1], "--latency") == 0)
    return runLatency(argv[2], argc == 4 ? std::atoi(argv[3]) : youran::SdlOutput::kPeriodFrames);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
