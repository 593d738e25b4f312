#pragma once

// Lyrics stored inside an audio file: ID3v2 USLT and SYLT, Vorbis/FLAC/Opus
// LYRICS and UNSYNCEDLYRICS, MP4 ©lyr, APE Lyrics. The readers put the text
// in TagInfo::lyrics; a synced SYLT frame arrives there as LRC text, so every
// caller reads one form.

#include <optional>
#include <string>
#include <string_view>

namespace youran {

// An ID3v2 SYLT frame's content (encoding byte first) as LRC text: one line
// per entry, or, when entries after the first start with a line break (the
// frame then times syllables), one line per break with word tags. Empty for
// timestamps in MPEG frames (their length is not known here), for other
// encodings and for a frame without entries.
std::string SyltToLrc(std::string_view content);

// The lyric a file carries, UTF-8, "\n" between lines (empty when none);
// nullopt when the file's format is not one the tag readers read.
std::optional<std::string> ReadEmbeddedLyrics(const std::string& path);

}  // namespace youran
