#pragma once

// ID3v2 (2.2, 2.3, 2.4) at the start of a file and the 128-byte ID3v1 tag at
// its end.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tags/byte_source.h"
#include "tags/tag_info.h"

namespace youran {

// How a frame's content is laid out after its text-encoding byte.
enum class Id3TextLayout {
  kText,                    // T***: the text
  kLanguageDescriptorText,  // COMM, USLT: language (3), descriptor, terminator, text
  kDescriptorUrl,           // WXXX: descriptor, terminator, Latin-1 URL
};

// Frame content (encoding byte first) to UTF-8. Encoding 0 is legacy 8-bit
// text (valid UTF-8, else GB18030, else Latin-1), 1 UTF-16 with byte-order
// mark, 2 UTF-16 big-endian, 3 UTF-8. The text ends at its terminator; any
// other encoding byte gives an empty text.
std::string DecodeId3Text(std::string_view content,
                          Id3TextLayout layout = Id3TextLayout::kText);

// The 10-byte ID3v2 header: "ID3", major version, revision, flags, and the
// syncsafe size of everything between header and footer. Only a header that
// matches the pattern taggers and players look for counts: versions below
// 0xFF, size bytes below 0x80.
struct Id3v2Header {
  unsigned major = 0;
  unsigned flags = 0;
  std::uint64_t framesEnd = 0;  // offset past the frames and padding
  std::uint64_t totalSize = 0;  // bytes on disk, a 2.4 footer included
};
std::optional<Id3v2Header> ParseId3v2Header(std::string_view head);

// Where the audio data starts: the tag's bytes on disk (header, frames,
// padding and footer) when the data starts with an ID3v2 header, else 0.
std::uint64_t Id3v2TotalSize(ByteSource& source);
std::uint64_t Id3v2TotalSize(const std::string& path);

// 128 when the last 128 bytes start with "TAG", else 0.
std::uint64_t Id3v1Size(ByteSource& source);
std::uint64_t Id3v1Size(const std::string& path);

// false when there is no "ID3" header (or the file cannot be opened).
bool ReadId3v2(ByteSource& source, TagInfo& record, ReadOptions options = {});
bool ReadId3v2(const std::string& path, TagInfo& record, ReadOptions options = {});

// Fills the fields the tag holds; blank ID3v1 fields leave the record's value.
void ReadId3v1(ByteSource& source, TagInfo& record);
void ReadId3v1(const std::string& path, TagInfo& record);

// Genre name of an ID3v1 genre byte (0..147, names without blanks), empty for
// other values.
std::string_view Id3v1Genre(unsigned index);

}  // namespace youran
