// Any bytes as a memory stream: open, read, seek back, read again. FFmpeg's
// demuxers and decoders plus our own open path (ID3v2 skip, demuxer choice
// from the first bytes, sample conversion, the measuring open that starts
// its codec on the first read) must never read out of bounds. The first
// byte picks how the stream is opened.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "playback/decode/ffmpeg_decoder.h"
#include "playback/decode/resampler.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const auto use = data[0] & 1 ? youran::DecoderUse::Measure : youran::DecoderUse::Play;
  youran::DecoderSource source;
  source.memory = std::span<const uint8_t>(data + 1, size - 1);
  auto decoder = youran::openFfmpegDecoder(source, use);
  if (!decoder) return 0;
  auto format = decoder->format();
  if (format.channels <= 0 || format.channels > 64) __builtin_trap();
  std::vector<float> buffer(size_t(1024) * format.channels);
  std::vector<float> stereo;
  youran::Resampler resampler(format.rate, format.channels, 44100);
  int64_t total = 0;
  for (int i = 0; i < 64; ++i) {
    int got = decoder->read(buffer.data(), 1024);
    if (got <= 0) break;
    if (got > 1024) __builtin_trap();
    total += got;
    stereo.clear();
    resampler.convert(buffer.data(), got, stereo);
  }
  if (total > 0) {
    decoder->seek(total / 2);
    decoder->read(buffer.data(), 1024);
  }
  return 0;
}
