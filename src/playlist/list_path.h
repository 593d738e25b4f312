#pragma once

// How a path, kept as the bytes the file system gave, is written into the
// GB18030 music list file and found again.
//
//   valid UTF-8            written as text (GB18030), the usual case
//   not UTF-8, is GB18030  written as those very bytes: a GBK name from a
//                          Windows archive reads "你好.mp3" in any editor.
//                          It loads back as the UTF-8 text of that name;
//                          resolveStoredPath finds the GBK bytes again.
//   neither                '%' and the path with every byte that is not part
//                          of a UTF-8 character (and '%', CR, LF) as %XX, e.g.
//                          "%/music/caf%E9.mp3". The player adds no name with
//                          a line break, but one that got in anyway keeps its
//                          row this way too. Paths are absolute, so a
//                          stored path never starts with '%' otherwise; a
//                          path that does is escaped the same way.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace youran {

// Room encodeListPath needs for a path of `bytes` bytes.
constexpr size_t maxListPathBytes(size_t bytes) { return 3 * bytes + 1; }

// Writes the stored form of `path` at `out`; returns the end.
char* encodeListPath(char* out, std::string_view path);

// The path bytes for a path field already read as UTF-8 text.
std::string decodeListPath(std::string_view field);

// The bytes to open for a stored path: the path itself when it exists, else
// its GB18030 form when that exists (a GBK-named file whose name came back
// from the list file as text), else the path unchanged.
std::string resolveStoredPath(const std::string& path);

// A name with CR or LF would split its row in the list file: such a file is
// not added.
bool fitsListFile(std::string_view path);

// The path bytes of a "file:" URI ("file:///a/%C4%E3.mp3", "file://localhost/a",
// "file:/a"), percent escapes decoded to bytes; empty for any other URI.
std::optional<std::string> localPathOfUri(std::string_view uri);

}  // namespace youran
