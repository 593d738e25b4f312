#include "playback/loudness/loudness_meter.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>

#include "playback/decode/ffmpeg_decoder.h"

namespace youran {

namespace {

std::mutex gObserverLock;
std::function<void(const std::string&)> gObserver;

struct StateDeleter {
  void operator()(ebur128_state* state) const { ebur128_destroy(&state); }
};
using MeterState = std::unique_ptr<ebur128_state, StateDeleter>;

void Observe(const std::string& path) {
  std::function<void(const std::string&)> observer;
  {
    std::lock_guard guard(gObserverLock);
    observer = gObserver;
  }
  if (observer) observer(path);
}

// Decodes the whole file into a fresh meter; null when it cannot be decoded.
MeterState Feed(const std::string& path, const std::atomic<bool>* cancel = nullptr) {
  Observe(path);
  DecoderSource source;
  source.path = path;
  auto decoder = openFfmpegDecoder(source, DecoderUse::Play);
  if (!decoder) return nullptr;
  const StreamFormat format = decoder->format();
  if (format.channels <= 0 || format.rate <= 0) return nullptr;
  MeterState state(ebur128_init(static_cast<unsigned>(format.channels), static_cast<unsigned long>(format.rate),
                                EBUR128_MODE_I | EBUR128_MODE_SAMPLE_PEAK));
  if (!state) return nullptr;
  if (format.channels == 6) {
    // FFmpeg's 5.1 order puts the LFE fourth; it does not count in R128.
    ebur128_set_channel(state.get(), 3, EBUR128_UNUSED);
    ebur128_set_channel(state.get(), 4, EBUR128_LEFT_SURROUND);
    ebur128_set_channel(state.get(), 5, EBUR128_RIGHT_SURROUND);
  }
  constexpr int kChunk = 8192;
  std::vector<float> buffer(size_t(kChunk) * format.channels);
  for (int got; (got = decoder->read(buffer.data(), kChunk)) > 0;) {
    if (cancel && cancel->load(std::memory_order_relaxed)) return nullptr;
    if (ebur128_add_frames_float(state.get(), buffer.data(), static_cast<size_t>(got)) != EBUR128_SUCCESS) {
      return nullptr;
    }
  }
  return state;
}

double PeakOf(ebur128_state* state) {
  double peak = 0;
  for (unsigned c = 0; c < state->channels; ++c) {
    double channel = 0;
    if (ebur128_sample_peak(state, c, &channel) == EBUR128_SUCCESS) peak = std::max(peak, channel);
  }
  return peak;
}

std::optional<Loudness> Result(ebur128_state* state) {
  double lufs = 0;
  if (ebur128_loudness_global(state, &lufs) != EBUR128_SUCCESS) return std::nullopt;
  return Loudness{lufs, PeakOf(state)};
}

}  // namespace

std::optional<Loudness> MeasureLoudness(const std::string& path) {
  MeterState state = Feed(path);
  if (!state) return std::nullopt;
  return Result(state.get());
}

AlbumMeasurement MeasureAlbumLoudness(const std::vector<std::string>& paths, const std::atomic<bool>* cancel) {
  AlbumMeasurement out;
  std::vector<MeterState> states;
  std::vector<ebur128_state*> measured;
  double peak = 0;
  for (const auto& path : paths) {
    MeterState state = Feed(path, cancel);
    if (cancel && cancel->load()) return {};
    if (!state) {
      out.tracks.emplace_back();
      continue;
    }
    out.tracks.push_back(Result(state.get()));
    if (out.tracks.back()) peak = std::max(peak, out.tracks.back()->samplePeak);
    measured.push_back(state.get());
    states.push_back(std::move(state));
  }
  double lufs = 0;
  if (!measured.empty() &&
      ebur128_loudness_global_multiple(measured.data(), measured.size(), &lufs) == EBUR128_SUCCESS) {
    out.album = Loudness{lufs, peak};
  }
  return out;
}

void SetLoudnessMeasuringObserver(std::function<void(const std::string& path)> observer) {
  std::lock_guard guard(gObserverLock);
  gObserver = std::move(observer);
}

}  // namespace youran
