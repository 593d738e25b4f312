#pragma once

// The Vorbis comment block shared by Ogg Vorbis (after the 0x03 "vorbis"
// packet type) and FLAC (VORBIS_COMMENT metadata block).

#include <string_view>

#include "tags/tag_info.h"

namespace youran {

enum class VorbisCommentHost { kOgg, kFlac };

// Little-endian: vendor length (4) and vendor, comment count (4), then each
// comment's length (4) and "KEY=value" in UTF-8. Keys compare without letter
// case. Stops at the first length that runs past the block, keeping what it
// stored. METADATA_BLOCK_PICTURE (base64 FLAC picture) fills `picture` when
// `options.picture` is set.
void ParseVorbisComment(std::string_view block, VorbisCommentHost host, TagInfo& record,
                        ReadOptions options);

}  // namespace youran
