#include "playback_test_util.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "playback/output/wav_file_output.h"

namespace youran::testing {

bool waitFor(const std::function<bool()>& done, double seconds) {
  auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

Rendered renderThroughWav(AudioEngine& engine, const std::filesystem::path& file,
                          const std::filesystem::path& out, int64_t maxFrames,
                          const std::function<void(uint32_t)>& setup, int64_t startBytes) {
  Rendered r;
  auto output = std::make_unique<WavFileOutput>(out.string(), maxFrames);
  WavFileOutput* wav = output.get();
  if (!engine.initWithOutput(std::move(output))) return r;
  uint32_t stream = engine.createStream(file.string());
  r.created = stream != 0;
  if (stream) {
    if (startBytes) engine.setPosition(stream, startBytes);
    if (setup) setup(stream);
    engine.play(stream, false);
    bool done = waitFor([&] { return wav->finished() || engine.isActive(stream) == AudioEngine::kStopped; }, 60);
    r.lengthBytes = engine.getLength(stream);
    r.positionBytes = engine.getPosition(stream);
    r.ok = done;
  }
  engine.free();
  r.ok = r.ok && readWav(out, r.wav);
  return r;
}

double toneDb(const std::vector<float>& x, size_t from, size_t to, double frequency, int rate) {
  to = std::min(to, x.size());
  if (from >= to) return -999;
  double a = toneAmplitude(x.data() + from, to - from, frequency, rate);
  return 20.0 * std::log10(std::max(a, 1e-12));
}

double rt60(const std::vector<float>& x, size_t tailStart, int rate) {
  if (tailStart >= x.size()) return -1;
  std::vector<double> energy(x.size() - tailStart);
  double sum = 0;
  for (size_t i = x.size(); i-- > tailStart;) {
    sum += double(x[i]) * x[i];
    energy[i - tailStart] = sum;
  }
  double total = energy[0];
  size_t t5 = 0, t35 = 0;
  for (size_t i = 0; i < energy.size(); ++i) {
    double db = 10 * std::log10(energy[i] / total);
    if (!t5 && db <= -5) t5 = i;
    if (db <= -35) {
      t35 = i;
      break;
    }
  }
  return t35 > t5 ? 2.0 * double(t35 - t5) / rate : -1;
}

}  // namespace youran::testing
