#pragma once

#include <memory>

#include "playback/decode/decoder.h"

namespace youran {

// Play: the decoder is ready to read when it is returned. Measure: only the
// format and length are wanted at first, so where the headers give them the
// codec is opened by the first read or seek instead.
enum class DecoderUse { Play, Measure };

// Opens a file, a memory block or a URL with libavformat/libavcodec. nullptr
// when nothing decodable is found (the reason is logged).
std::unique_ptr<Decoder> openFfmpegDecoder(const DecoderSource& source,
                                           DecoderUse use = DecoderUse::Play);

}  // namespace youran
