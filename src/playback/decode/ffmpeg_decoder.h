#pragma once

#include <memory>

#include "playback/decode/decoder.h"

namespace youran {

// Opens a file, a memory block or a URL with libavformat/libavcodec. nullptr
// when nothing decodable is found (the reason is logged).
std::unique_ptr<Decoder> openFfmpegDecoder(const DecoderSource& source);

}  // namespace youran
