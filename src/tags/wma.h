#pragma once

// WMA: the objects of the ASF header.

#include <string>

#include "tags/byte_source.h"
#include "tags/tag_info.h"

namespace youran {

void ReadWma(ByteSource& source, TagInfo& record, ReadOptions options = {});
void ReadWma(const std::string& path, TagInfo& record, ReadOptions options = {});

}  // namespace youran
