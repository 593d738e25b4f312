#pragma once

// Ogg Vorbis: the identification and comment headers of the first logical
// stream, and the last page's granule position for the duration.

#include <string>

#include "tags/byte_source.h"
#include "tags/tag_info.h"

namespace youran {

void ReadOgg(ByteSource& source, TagInfo& record, ReadOptions options = {});
void ReadOgg(const std::string& path, TagInfo& record, ReadOptions options = {});

}  // namespace youran
