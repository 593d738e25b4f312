#pragma once

#include <cstdint>

extern "C" {
#include <libavutil/samplefmt.h>
}

namespace youran {

bool isSupportedSampleFormat(AVSampleFormat format);

// Converts `frames` frames starting at `offset` from a decoded frame's planes
// (packed or planar u8/s16/s32/float/double) to interleaved float.
void convertToFloat(AVSampleFormat format, uint8_t* const* planes, int channels, int offset, int frames,
                    float* out);

}  // namespace youran
