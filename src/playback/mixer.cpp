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
        Stream* s = playing_[i];
        // A stream about to end hands the rest of the block to its follower.
        if (Stream* next = followerOf(s); next && s->finished()) s = next;
        if (!s->ready(frames)) {
          ready = false;
          s->wakeDecoder();
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
      float* out = stereo + 2 * done;
      int got = playing_[i]->render(out, chunk);
      while (playing_[i]->ended()) {
        Stream* next = takeFollower(playing_[i]);
        if (!next) break;
        playing_[i] = next;
        next->setState(Stream::State::Playing);
        got += next->render(out + 2 * got, chunk - got);
      }
      most = std::max(most, got);
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
  joinCount_ = 0;
}

bool Mixer::follow(Stream* stream, Stream* next) {
  std::lock_guard guard(lock_);
  if (!stream || !next || stream == next || stream->ended() || joinCount_ == kMaxPlaying) return false;
  for (int i = 0; i < joinCount_; ++i) {
    const Join& j = joins_[i];
    if (j.from == stream || j.to == next || j.from == next || j.to == stream) return false;
  }
  joins_[joinCount_++] = {stream, next};
  return true;
}

void Mixer::forget(Stream* stream) {
  std::lock_guard guard(lock_);
  for (int i = 0; i < joinCount_;) {
    if (joins_[i].from == stream || joins_[i].to == stream) {
      joins_[i] = joins_[--joinCount_];
    } else {
      ++i;
    }
  }
}

Stream* Mixer::followerOf(Stream* stream) const {
  for (int i = 0; i < joinCount_; ++i) {
    if (joins_[i].from == stream) return joins_[i].to;
  }
  return nullptr;
}

Stream* Mixer::takeFollower(Stream* stream) {
  for (int i = 0; i < joinCount_; ++i) {
    if (joins_[i].from == stream) {
      Stream* next = joins_[i].to;
      joins_[i] = joins_[--joinCount_];
      return next;
    }
  }
  return nullptr;
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
