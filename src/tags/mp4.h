#pragma once

// MP4 / M4A metadata items under moov/udta/meta/ilst.

#include <string>

#include "tags/byte_source.h"
#include "tags/tag_info.h"

namespace youran {

// Unlike the other readers it does not clear the record first.
void ReadMp4(ByteSource& source, TagInfo& record, ReadOptions options = {});
void ReadMp4(const std::string& path, TagInfo& record, ReadOptions options = {});

}  // namespace youran
