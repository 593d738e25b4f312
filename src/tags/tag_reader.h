#pragma once

// The tag dispatch: which readers a file's extension calls, in which order.

#include <string>

#include "tags/byte_source.h"
#include "tags/tag_info.h"

namespace youran {

enum class TagFormat { kUnknown, kMp3, kWma, kApe, kOgg, kFlac, kMp4 };

// From the extension, upper-cased: "MP3"; "WMA"; "APE", "AAC", "WAV" (the APE
// tag reader); "OGG", "OGA"; "FLAC", "FLA". Anything else is unknown (".m4a"
// included: only the conversion rule below reads MP4).
TagFormat TagFormatForPath(const std::string& path);

// Runs the readers of `format` over one open source. For kMp3: the APE
// reader, ID3v2, ID3v1 when there is no ID3v2 tag or it left `title` empty,
// then the MPEG frame header.
void ReadTagsFrom(TagFormat format, ByteSource& source, TagInfo& record, ReadOptions options = {});

// true when the extension is handled (even if the file held nothing or could
// not be opened); false for other extensions, the record then untouched.
bool ReadTags(const std::string& path, TagInfo& record, ReadOptions options = {});

// The conversion pass's rule: a path whose last three characters, lower-cased,
// are "m4a" is read by the MP4 reader (and counts as handled); every other
// path goes through ReadTags.
bool ReadTagsByConversionRule(const std::string& path, TagInfo& record, ReadOptions options = {});

// What the conversion pass calls: the rule above, without the picture and the
// stream properties (the pass uses artist and title only).
bool ReadTagsForConversion(const std::string& path, TagInfo& record);

}  // namespace youran
