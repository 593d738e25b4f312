#pragma once

// The record every tag reader fills, and the small text helpers the readers
// and the conversion pass share.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "tags/replay_gain_tags.h"

namespace youran {

// Twenty-two fields in a fixed order (the CLI prints them in this order).
// Every field is UTF-8 text except `picture`, which holds the image bytes as
// stored in the file. An empty field means "not found".
struct TagInfo {
  std::string artist;
  std::string title;
  std::string album;
  std::string rights;
  std::string comment;
  std::string track;
  std::string encoding;
  std::string genre;
  std::string lyrics;
  std::string year;
  std::string url;
  std::string composer;
  std::string version;
  std::string reserved;
  std::string bitrate;
  std::string sampleRate;
  std::string channels;
  std::string performer;
  std::string description;
  std::string duration;
  std::string picture;
  std::string trackAlt;
  // Not one of the printed fields: the loudness gains the tags carry.
  ReplayGainTags replayGain;
};

inline constexpr std::size_t kTagFieldCount = 22;

struct TagField {
  std::string_view name;
  std::string TagInfo::*member;
};

// The fields in record order with their names.
extern const std::array<TagField, kTagFieldCount> kTagFields;

// What the readers clear when they start: every field but `trackAlt`.
void ClearTagInfo(TagInfo& record);

struct ReadOptions {
  // false: the picture bytes are skipped by a seek, `picture` stays empty.
  bool picture = true;
  // false: the MPEG frame header, Monkey's Audio header and stream info are
  // not looked at (bitrate, sample rate, channels, duration, format name).
  bool streamProperties = true;
};

// "mm:ss" with minutes unbounded (3725 gives "62:05").
std::string FormatSeconds(long long seconds);

// Parts of a path, '/' being the directory separator:
// 1 file name without extension, 2 file name, 3 extension (after the last '.'
// of the file name), 4 folder (before the last '/'), 5 name of the parent
// folder, 6 extension of a URL (after the last '.' before the first '?').
// Other modes give an empty text.
std::string PathPart(std::string_view path, int mode);

// Text a file declares as UTF-8, as our internal text: a leading byte-order
// mark is dropped; bytes that are not valid UTF-8 after all are decoded as
// legacy 8-bit text, so the result is always valid UTF-8.
std::string Utf8ToInternalText(std::string_view bytes);

// Texts the conversion pass builds from a record: the playlist display name,
// and the two halves it joined with "-" (the window title repeats them).
struct ConversionNames {
  std::string displayName;
  std::string left;
  std::string right;
};

// `fileNameDisplayName` is the row's name before conversion (the file name
// without extension). Both artist and title empty: that name with every
// " ." removed, which also stands in as `left` while `right` stays empty.
ConversionNames ConversionTitleParts(const TagInfo& tags, const std::string& fileNameDisplayName);
std::string ConversionDisplayName(const TagInfo& tags, const std::string& fileNameDisplayName);

// The main window title while the pass converts a row.
std::string ConversionWindowTitle(const ConversionNames& names, bool streamPlaying);

}  // namespace youran
