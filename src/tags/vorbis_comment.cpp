#include "tags/vorbis_comment.h"

#include <strings.h>

#include <array>

#include "tags/byte_order.h"
#include "tags/picture.h"

namespace youran {

namespace {

struct CommentKey {
  std::string_view key;
  std::string TagInfo::*field;
  bool ogg;
  bool flac;
};

constexpr std::array<CommentKey, 12> kKeys = {{
    {"TITLE", &TagInfo::title, true, true},
    {"ARTIST", &TagInfo::artist, true, true},
    {"ALBUM", &TagInfo::album, true, true},
    {"TRACKNUMBER", &TagInfo::track, true, true},
    {"DATE", &TagInfo::year, true, true},
    {"GENRE", &TagInfo::genre, true, true},
    {"COMMENT", &TagInfo::comment, true, true},
    {"PERFORMER", &TagInfo::performer, true, false},
    {"DESCRIPTION", &TagInfo::description, true, false},
    {"LYRICS", &TagInfo::lyrics, true, true},
    {"URL", &TagInfo::url, false, true},
    {"COPYRIGHT", &TagInfo::rights, false, true},
}};

bool SameKey(std::string_view a, std::string_view b) {
  return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace

void ParseVorbisComment(std::string_view block, VorbisCommentHost host, TagInfo& record,
                        ReadOptions options) {
  using tagbytes::le32;
  if (block.size() < 4) return;
  const std::uint64_t vendor = le32(block, 0);
  if (vendor > block.size() - 4) return;
  std::size_t at = 4 + static_cast<std::size_t>(vendor);
  if (block.size() - at < 4) return;
  const std::uint32_t count = le32(block, at);
  at += 4;
  PictureChoice pictures;
  bool artistSeen = false;  // several ARTIST comments are joined with "/"
  for (std::uint32_t n = 0; n < count && block.size() - at >= 4; ++n) {
    const std::uint64_t length = le32(block, at);
    at += 4;
    if (length > block.size() - at) return;
    const std::string_view comment = block.substr(at, static_cast<std::size_t>(length));
    at += static_cast<std::size_t>(length);
    const std::size_t equals = comment.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = comment.substr(0, equals);
    const std::string_view value = comment.substr(equals + 1);
    if (NoteReplayGainItem(key, value, record.replayGain)) continue;
    if (SameKey(key, "METADATA_BLOCK_PICTURE")) {
      if (!options.picture) continue;
      const auto bytes = DecodeBase64(value);
      if (!bytes) continue;
      if (const auto picture = ParseFlacPicture(*bytes)) {
        pictures.offer(picture->type, picture->image, record.picture);
      }
      continue;
    }
    for (const auto& k : kKeys) {
      if ((host == VorbisCommentHost::kOgg ? k.ogg : k.flac) && SameKey(key, k.key)) {
        if (k.field == &TagInfo::artist && artistSeen && !value.empty()) {
          record.artist += "/" + Utf8ToInternalText(value);
        } else {
          record.*(k.field) = Utf8ToInternalText(value);
        }
        if (k.field == &TagInfo::artist && !value.empty()) artistSeen = true;
      }
    }
    if (SameKey(key, "UNSYNCEDLYRICS") && record.lyrics.empty()) record.lyrics = Utf8ToInternalText(value);
  }
}

}  // namespace youran
