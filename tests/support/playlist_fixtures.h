#pragma once

// Music list files and audio files for the playlist tests and benchmarks.

#include <filesystem>
#include <string>
#include <vector>

namespace youran::testing {

// The bytes of a music list file: the header and `lines` (UTF-8 text, each
// "path|row|name|duration|flag"), joined by CR LF and encoded with the
// iconv-based converter, independent of the playlist's own codec.
std::string musicListBytes(const std::vector<std::string>& lines);

// A playlist line as the player writes it.
std::string musicListLine(const std::string& path, size_t row, const std::string& name,
                          const std::string& duration, const std::string& flag);

// A music list of `rows` rows with Chinese folder, artist and title names,
// about 98 bytes a row (100,000 rows give about 9.8 MB).
std::string largeMusicList(size_t rows);

// Synthesises a short track with ffmpeg (a sine of `seconds`), with the
// given artist and title tags when not empty. False when ffmpeg fails.
bool makeTrack(const std::filesystem::path& file, double seconds, const std::string& artist,
               const std::string& title);

}  // namespace youran::testing
