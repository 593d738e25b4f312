#pragma once

// ID3v2 tags found where the format's own reader does not look: in front of
// a Monkey's Audio file, and in the "id3 " chunk of a RIFF WAVE file.

#include "tags/byte_source.h"
#include "tags/tag_info.h"

namespace youran {

// Fills the fields `record` still lacks from an ID3v2 tag at the start of the
// data or in a WAVE file's "id3 "/"ID3 " chunk; the format's own tag (APEv2)
// keeps precedence.
void FillFromEmbeddedId3v2(ByteSource& source, TagInfo& record, ReadOptions options);

// Joins the values of an ID3v2.4 text frame (encoding byte first; values
// separated by the encoding's terminator) with "/": "piman/jzig". A single
// value is that value.
std::string DecodeId3TextValues(std::string_view content);

}  // namespace youran
