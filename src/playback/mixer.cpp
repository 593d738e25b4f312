#include "playback/mixer.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "playback/stream.h"

#if defined(__x86_64__) || defined(__i386__) || defined(_M_X64)
#include <xmmintrin.h>
#endif

namespace youran {

namespace {

// Decaying filters and delay lines end in denormal numbers, which cost a
// hundred times more to process on x86; flush them to zero on the output
// thread.
void flushDenormals() {
#if defined(__x86_64__) || defined(__i386__) || defined(_M_X64)
  thread_local bool done = false;
  if (!done) {
    _mm_setcsr(_mm_getcsr() | 0x8040);  // FTZ and DAZ
    done = true;
  }
#endif
}

// How long an offline output waits for a decoder that makes no progress.
constexpr auto kReadyTimeout = std::chrono::seconds(10);

}  // namespace

void Mixer::waitUntilReady(int frames) {
  auto deadline = std::chrono::steady_clock::now() + kReadyTimeout;
  for (;;) {
    bool ready = true;
    {
      std::lock_guard guard(lock_);
      for (int i = 0; i < count_; ++i) {
        if (!playing_[i]->ready(frames)) {
          ready = false;
          playing_[i]->wakeDecoder();
        }
      }
    }
    if (ready || std::chrono::steady_clock::now() > deadline) return;
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  }
}

int Mixer::render(float* stereo, int frames, bool waitForData) {
  flushDenormals();
  std::fill(stereo, stereo + 2 * frames, 0.0f);
  int produced = 0;
  for (int done = 0; done < frames;) {
    int chunk = std::min(frames - done, Stream::kMaxRenderFrames);
    if (waitForData) waitUntilReady(chunk);
    std::lock_guard guard(lock_);
    int most = 0;
    for (int i = 0; i < count_;) {
      most = std::max(most, playing_[i]->render(stereo + 2 * done, chunk));
      if (playing_[i]->ended()) {
        playing_[i] = playing_[--count_];
      } else {
        ++i;
      }
    }
    produced += most;
    done += chunk;
    if (most < chunk && waitForData) break;
  }
  float left = gain_[0].load(std::memory_order_relaxed);
  float right = gain_[1].load(std::memory_order_relaxed);
  if (left != 1.0f || right != 1.0f) {
    for (int i = 0; i < frames; ++i) {
      stereo[2 * i] *= left;
      stereo[2 * i + 1] *= right;
    }
  }
  return produced;
}

bool Mixer::add(Stream* stream) {
  std::lock_guard guard(lock_);
  for (int i = 0; i < count_; ++i) {
    if (playing_[i] == stream) return true;
  }
  if (count_ == kMaxPlaying) return false;
  playing_[count_++] = stream;
  return true;
}

void Mixer::remove(Stream* stream) {
  std::lock_guard guard(lock_);
  for (int i = 0; i < count_; ++i) {
    if (playing_[i] == stream) {
      playing_[i] = playing_[--count_];
      return;
    }
  }
}

void Mixer::clear() {
  std::lock_guard guard(lock_);
  count_ = 0;
}

bool Mixer::setChannelGain(int channel, float gain) {
  if (channel < 0 || channel > 1 || !(gain >= 0.0f && gain <= 1.0f)) return false;
  gain_[channel].store(gain);
  return true;
}

float Mixer::channelGain(int channel) const {
  if (channel < 0 || channel > 1) return 0.0f;
  return gain_[channel].load();
}

}  // namespace youran
