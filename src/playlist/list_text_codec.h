#pragma once

// GB18030 <-> UTF-8 for the music list file. A 100,000-row list is about
// 10 MB of text and is read at start-up and rewritten while the conversion
// pass runs, so this codec works from lookup tables instead of calling iconv
// for every byte: the two-byte plane (where all GBK text lives) is a table
// built once from base/text_encoding's iconv conversion, so both agree byte
// for byte; the rare four-byte sequences are handed to base/text_encoding.

#include <optional>
#include <string>
#include <string_view>

namespace youran {

// Empty optional when the bytes are not valid GB18030.
std::optional<std::string> listTextToUtf8(std::string_view gb18030);

// GB18030 never needs more than twice the UTF-8 bytes (a two-byte UTF-8
// character may take four).
constexpr size_t maxListTextBytes(size_t utf8Bytes) { return 2 * utf8Bytes; }

// Writes the GB18030 form of `utf8` at `out`, which has room for
// maxListTextBytes(utf8.size()) bytes; returns the end of what was written.
// Invalid UTF-8 bytes become '?', one per byte, as utf8ToGb18030 does.
char* encodeListText(char* out, std::string_view utf8);

// Appends the GB18030 form of `utf8` to `out`.
void appendListText(std::string& out, std::string_view utf8);

}  // namespace youran
