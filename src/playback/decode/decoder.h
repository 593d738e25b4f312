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

// The lower-cased text after the last '.' of a path's file name; empty when
// the file name has none. Picks the demuxer and the plug-in for a file.
inline std::string lowerExtension(const std::string& path) {
  auto slash = path.find_last_of("/\\");
  auto dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string ext = path.substr(dot + 1);
  for (auto& c : ext) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return ext;
}

}  // namespace youran
