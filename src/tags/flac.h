#pragma once

// FLAC: STREAMINFO, VORBIS_COMMENT and PICTURE metadata blocks.

#include <string>

#include "tags/byte_source.h"
#include "tags/tag_info.h"

namespace youran {

void ReadFlac(ByteSource& source, TagInfo& record, ReadOptions options = {});
void ReadFlac(const std::string& path, TagInfo& record, ReadOptions options = {});

}  // namespace youran
