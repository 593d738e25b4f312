#include "playback/decode/sample_format.h"

#include <cstring>
#include <type_traits>

namespace youran {

namespace {

template <typename T>
float toFloat(T v);
template <>
float toFloat(uint8_t v) {
  return (int(v) - 128) * (1.0f / 128.0f);
}
template <>
float toFloat(int16_t v) {
  return v * (1.0f / 32768.0f);
}
template <>
float toFloat(int32_t v) {
  return static_cast<float>(v * (1.0 / 2147483648.0));
}
template <>
float toFloat(float v) {
  return v;
}
template <>
float toFloat(double v) {
  return static_cast<float>(v);
}

template <typename T>
void packed(const uint8_t* plane, int channels, int offset, int frames, float* out) {
  const T* in = reinterpret_cast<const T*>(plane) + int64_t(offset) * channels;
  int64_t n = int64_t(frames) * channels;
  if constexpr (std::is_same_v<T, float>) {
    std::memcpy(out, in, n * sizeof(float));
  } else {
    for (int64_t i = 0; i < n; ++i) out[i] = toFloat(in[i]);
  }
}

template <typename T>
void planar(uint8_t* const* planes, int channels, int offset, int frames, float* out) {
  for (int c = 0; c < channels; ++c) {
    const T* in = reinterpret_cast<const T*>(planes[c]) + offset;
    float* o = out + c;
    for (int i = 0; i < frames; ++i, o += channels) *o = toFloat(in[i]);
  }
}

}  // namespace

bool isSupportedSampleFormat(AVSampleFormat format) {
  switch (format) {
    case AV_SAMPLE_FMT_U8: case AV_SAMPLE_FMT_S16: case AV_SAMPLE_FMT_S32: case AV_SAMPLE_FMT_FLT:
    case AV_SAMPLE_FMT_DBL: case AV_SAMPLE_FMT_U8P: case AV_SAMPLE_FMT_S16P: case AV_SAMPLE_FMT_S32P:
    case AV_SAMPLE_FMT_FLTP: case AV_SAMPLE_FMT_DBLP:
      return true;
    default:
      return false;
  }
}

void convertToFloat(AVSampleFormat format, uint8_t* const* planes, int channels, int offset, int frames,
                    float* out) {
  switch (format) {
    case AV_SAMPLE_FMT_U8: return packed<uint8_t>(planes[0], channels, offset, frames, out);
    case AV_SAMPLE_FMT_S16: return packed<int16_t>(planes[0], channels, offset, frames, out);
    case AV_SAMPLE_FMT_S32: return packed<int32_t>(planes[0], channels, offset, frames, out);
    case AV_SAMPLE_FMT_FLT: return packed<float>(planes[0], channels, offset, frames, out);
    case AV_SAMPLE_FMT_DBL: return packed<double>(planes[0], channels, offset, frames, out);
    case AV_SAMPLE_FMT_U8P: return planar<uint8_t>(planes, channels, offset, frames, out);
    case AV_SAMPLE_FMT_S16P: return planar<int16_t>(planes, channels, offset, frames, out);
    case AV_SAMPLE_FMT_S32P: return planar<int32_t>(planes, channels, offset, frames, out);
    case AV_SAMPLE_FMT_FLTP: return planar<float>(planes, channels, offset, frames, out);
    case AV_SAMPLE_FMT_DBLP: return planar<double>(planes, channels, offset, frames, out);
    default: std::memset(out, 0, sizeof(float) * frames * channels);
  }
}

}  // namespace youran
