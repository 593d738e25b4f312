#include "playback/decode/resampler.h"

#include <algorithm>
#include <string>

#include "base/log.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

namespace youran {

Resampler::Resampler(int inRate, int inChannels, int outRate)
    : inRate_(inRate), inChannels_(inChannels), outRate_(outRate),
      direct_(inRate == outRate && (inChannels == 1 || inChannels == 2)) {
  if (!direct_) create();
}

Resampler::~Resampler() { swr_free(&swr_); }

void Resampler::create() {
  swr_free(&swr_);
  AVChannelLayout in{};
  av_channel_layout_default(&in, inChannels_);
  AVChannelLayout out = AV_CHANNEL_LAYOUT_STEREO;
  int rc = swr_alloc_set_opts2(&swr_, &out, AV_SAMPLE_FMT_FLT, outRate_, &in, AV_SAMPLE_FMT_FLT, inRate_, 0,
                               nullptr);
  av_channel_layout_uninit(&in);
  // A mono stream plays at full level on both sides, as it does when the
  // rates match and no resampling is needed (libswresample's default puts a
  // centre channel 3 dB down on each side).
  if (rc >= 0 && inChannels_ == 1) {
    static constexpr double kMonoToStereo[2] = {1.0, 1.0};  // [out channel][in channel]
    rc = swr_set_matrix(swr_, kMonoToStereo, 1);
  }
  if (rc < 0 || swr_init(swr_) < 0) {
    logWarning("playback", "cannot convert " + std::to_string(inChannels_) + " channels at " +
                               std::to_string(inRate_) + " Hz");
    swr_free(&swr_);
  }
}

void Resampler::convert(const float* in, int frames, std::vector<float>& out) {
  if (frames <= 0) return;
  size_t at = out.size();
  if (direct_) {
    out.resize(at + 2 * size_t(frames));
    float* o = out.data() + at;
    if (inChannels_ == 2) {
      std::copy(in, in + 2 * frames, o);
    } else {
      for (int i = 0; i < frames; ++i) o[2 * i] = o[2 * i + 1] = in[i];
    }
    return;
  }
  if (!swr_) return;
  int room = swr_get_out_samples(swr_, frames);
  if (room <= 0) return;
  out.resize(at + 2 * size_t(room));
  auto* dst = reinterpret_cast<uint8_t*>(out.data() + at);
  auto* src = reinterpret_cast<const uint8_t*>(in);
  int got = swr_convert(swr_, &dst, room, &src, frames);
  out.resize(at + 2 * size_t(got > 0 ? got : 0));
}

void Resampler::flush(std::vector<float>& out) {
  if (direct_ || !swr_) return;
  int room = swr_get_out_samples(swr_, 0);
  if (room <= 0) return;
  size_t at = out.size();
  out.resize(at + 2 * size_t(room));
  auto* dst = reinterpret_cast<uint8_t*>(out.data() + at);
  int got = swr_convert(swr_, &dst, room, nullptr, 0);
  out.resize(at + 2 * size_t(got > 0 ? got : 0));
}

void Resampler::reset() {
  if (!direct_) create();
}

}  // namespace youran
