#pragma once

// Conversions between the encodings the player meets in files and tags and
// its own internal text, which is UTF-8 everywhere.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace youran {

bool isValidUtf8(std::string_view bytes);

// The well-formed UTF-8 character at s[i]: its length (1..4) with its code
// point in `cp`, or 0 when the bytes there do not start one.
size_t decodeUtf8Char(std::string_view s, size_t i, uint32_t& cp);

// Appends the UTF-8 form of a code point.
void appendUtf8(std::string& out, uint32_t cp);

// GB18030 (the superset of GBK, code page 936) to UTF-8. Empty optional when
// the bytes are not valid GB18030.
std::optional<std::string> gb18030ToUtf8(std::string_view bytes);

// UTF-8 to GB18030. Every Unicode character has a GB18030 form, so only
// invalid UTF-8 input can fail; invalid sequences are replaced by '?'.
std::string utf8ToGb18030(std::string_view utf8);

std::string latin1ToUtf8(std::string_view bytes);

// UTF-16 to UTF-8; unpaired surrogates become U+FFFD. An odd trailing byte is
// ignored.
std::string utf16ToUtf8(std::string_view bytes, bool bigEndian);

// Texts of unknown 8-bit encoding (ID3 encoding 0, ID3v1, old list files):
// valid UTF-8 stays, otherwise GB18030 when valid, otherwise Latin-1.
std::string legacyTextToUtf8(std::string_view bytes);

// A file name or path (the file system's bytes) as text for people: valid
// UTF-8 as it is, else GB18030 when valid (a GBK name from a Windows
// archive), else UTF-8 with U+FFFD for each stray byte.
std::string pathDisplayText(std::string_view bytes);

// Any charset iconv knows to UTF-8. Empty optional when the charset is unknown
// or the bytes are invalid in it.
std::optional<std::string> charsetToUtf8(std::string_view bytes, const std::string& charset);

// Drops a UTF-8 byte-order mark.
std::string_view stripUtf8Bom(std::string_view bytes);

}  // namespace youran
