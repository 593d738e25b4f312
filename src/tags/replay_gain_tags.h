#pragma once

// Loudness gains a file's tags carry. Every gain is in dB relative to the
// ReplayGain 2 reference (-18 LUFS); the Opus R128 gains (relative to -23
// LUFS) are moved to that reference when read.

#include <optional>
#include <string>
#include <string_view>

#include "tags/byte_source.h"

namespace youran {

struct ReplayGainTags {
  std::optional<double> trackGain;
  std::optional<double> trackPeak;  // linear, 1.0 = full scale
  std::optional<double> albumGain;
  std::optional<double> albumPeak;
  // The Opus header's output gain in dB. The decoder applies it already, so
  // it is reported, never added again.
  std::optional<double> opusHeaderGain;

  bool empty() const { return !trackGain && !albumGain && !trackPeak && !albumPeak; }
};

// One tag item: REPLAYGAIN_{TRACK,ALBUM}_{GAIN,PEAK} ("-6.20 dB", "0.98",
// any letter case) and R128_{TRACK,ALBUM}_GAIN (a Q7.8 integer). true when
// the key is one of these, even when its value does not parse (the value
// is then ignored).
bool NoteReplayGainItem(std::string_view key, std::string_view value, ReplayGainTags& gains);

// ID3v2 TXXX content (encoding byte, description, terminator, value).
void NoteId3UserText(std::string_view content, ReplayGainTags& gains);

// Output gain of an Ogg Opus file's identification header, in dB.
std::optional<double> OpusHeaderGain(ByteSource& source);

// The gains of a file on disk, whatever its container: the tag readers for
// the formats they know, the Opus header and comments for Opus files.
ReplayGainTags ReadReplayGainTags(const std::string& path);

}  // namespace youran
