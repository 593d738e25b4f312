#include "playback/dsp/echo.h"

#include <algorithm>
#include <cmath>

namespace youran {

bool EchoParameters::valid() const {
  return wetDryMix >= 0 && wetDryMix <= 100 && feedback >= 0 && feedback <= 100 && leftDelay >= 1 &&
         leftDelay <= 2000 && rightDelay >= 1 && rightDelay <= 2000;
}

Echo::Echo(int rate) : rate_(rate) {
  size_t longest = static_cast<size_t>(std::ceil(2.0 * rate)) + 1;
  left_.assign(longest, 0.0f);
  right_.assign(longest, 0.0f);
  setParameters(EchoParameters{});
}

bool Echo::setParameters(const EchoParameters& p) {
  if (!p.valid()) return false;
  params_ = p;
  auto frames = [&](float ms) {
    auto d = static_cast<size_t>(std::lround(ms * rate_ / 1000.0));
    return std::clamp<size_t>(d, 1, left_.size() - 1);
  };
  leftDelay_ = frames(p.leftDelay);
  rightDelay_ = frames(p.rightDelay);
  wet_ = p.wetDryMix / 100.0f;
  dry_ = 1.0f - wet_;
  feedback_ = p.feedback / 100.0f;
  return true;
}

void Echo::process(float* stereo, int frames) {
  const size_t size = left_.size();
  for (int i = 0; i < frames; ++i) {
    float* s = stereo + 2 * i;
    size_t l = (write_ + size - leftDelay_) % size;
    size_t r = (write_ + size - rightDelay_) % size;
    float dl = left_[l];
    float dr = right_[r];
    if (params_.panDelay) {
      left_[write_] = s[0] + feedback_ * dr;
      right_[write_] = s[1] + feedback_ * dl;
    } else {
      left_[write_] = s[0] + feedback_ * dl;
      right_[write_] = s[1] + feedback_ * dr;
    }
    s[0] = dry_ * s[0] + wet_ * dl;
    s[1] = dry_ * s[1] + wet_ * dr;
    if (++write_ == size) write_ = 0;
  }
}

}  // namespace youran
