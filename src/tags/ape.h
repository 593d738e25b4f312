#pragma once

// The APEv2 tag at the end of a file (before an ID3v1 tag) and the Monkey's
// Audio stream header after an ID3v2 tag.

#include <string>

#include "tags/byte_source.h"
#include "tags/tag_info.h"

namespace youran {

// Clears the record first (every field but `trackAlt`), unless the file
// cannot be opened.
void ReadApe(ByteSource& source, TagInfo& record, ReadOptions options = {});
void ReadApe(const std::string& path, TagInfo& record, ReadOptions options = {});

}  // namespace youran
