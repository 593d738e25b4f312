#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace youran {

// What a decoder knows about its stream once it is open. The length is in
// sample frames at the stream's own rate; -1 when the container does not say.
struct StreamFormat {
  int rate = 0;
  int channels = 0;
  int64_t lengthFrames = -1;
};

// Where a stream's bytes come from. Exactly one of the three is used, in the
// order path, memory, url.
struct DecoderSource {
  std::string path;
  std::span<const uint8_t> memory;
  std::string url;
};

// One open audio stream. A decoder is used by one thread at a time (the
// stream serialises every call); it may be handed from thread to thread.
class Decoder {
 public:
  virtual ~Decoder() = default;

  virtual StreamFormat format() const = 0;

  // Up to maxFrames interleaved float frames at the stream's own rate and
  // channel count. Returns the frames written; 0 at the end of the stream
  // (a decoding error that cannot be skipped counts as the end).
  virtual int read(float* out, int maxFrames) = 0;

  // Moves so that the next read starts exactly at `frame`. False when the
  // stream cannot get there; the position is then unspecified.
  virtual bool seek(int64_t frame) = 0;

  // Called from another thread to make a blocking network read give up.
  virtual void abort() {}
};

}  // namespace youran
