#pragma once

#include <array>
#include <atomic>
#include <mutex>

#include "playback/output/audio_output.h"

namespace youran {

class Stream;

// Adds up the playing streams for the output and applies the device's
// per-channel gain (the balance). The list of playing streams is guarded by
// one lock that the output thread holds while it renders a block and the
// control calls hold only to add or remove a stream; a stream is removed
// here before it is destroyed.
//
// A stream may have a follower: the stream that takes its place in the
// block in which it ends, its first frame right after the other's last
// (gapless playback). The follower must already be decoding; the output
// thread only swaps pointers, so the hand-over costs no lock of its own and
// no allocation.
class Mixer final : public AudioSource {
 public:
  static constexpr int kMaxPlaying = 16;

  int render(float* stereo, int frames, bool waitForData) override;

  // False when kMaxPlaying streams already play.
  bool add(Stream* stream);
  // Pausing removes a stream but keeps its follower.
  void remove(Stream* stream);
  void clear();

  // `next` follows `stream`. False when `stream` has already ended, when
  // either already takes part in a join, or when kMaxPlaying joins wait.
  bool follow(Stream* stream, Stream* next);
  // Drops the joins `stream` takes part in (before it is destroyed).
  void forget(Stream* stream);

  // Channel 0 left, 1 right; 0..1. Refused (false) outside those.
  bool setChannelGain(int channel, float gain);
  float channelGain(int channel) const;

 private:
  struct Join {
    Stream* from;
    Stream* to;
  };
  void waitUntilReady(int frames);
  // The follower of `stream`, which leaves the list of joins.
  Stream* takeFollower(Stream* stream);
  Stream* followerOf(Stream* stream) const;

  std::mutex lock_;
  std::array<Stream*, kMaxPlaying> playing_{};
  int count_ = 0;
  std::array<Join, kMaxPlaying> joins_{};
  int joinCount_ = 0;
  std::array<std::atomic<float>, 2> gain_{1.0f, 1.0f};
};

}  // namespace youran
