#include <array>
#include <optional>
#include <string>

#include "tags/byte_order.h"
#include "tags/id3.h"
#include "tags/picture.h"

namespace youran {

namespace {

using tagbytes::be16;
using tagbytes::be24;
using tagbytes::be32;
using tagbytes::syncsafe32;
using tagbytes::u8;

constexpr unsigned kTagUnsynchronised = 0x80;
constexpr unsigned kTagExtendedHeader = 0x40;  // 2.2: compression
constexpr unsigned kTagFooter = 0x10;          // 2.4: a copy of the header ends the tag

struct FrameTarget {
  std::string_view id;    // 2.3 / 2.4
  std::string_view id22;  // 2.2
  std::string TagInfo::*field;
  Id3TextLayout layout;
};

constexpr std::array<FrameTarget, 12> kTextFrames = {{
    {"TIT2", "TT2", &TagInfo::title, Id3TextLayout::kText},
    {"TPE1", "TP1", &TagInfo::artist, Id3TextLayout::kText},
    {"TALB", "TAL", &TagInfo::album, Id3TextLayout::kText},
    {"COMM", "COM", &TagInfo::comment, Id3TextLayout::kLanguageDescriptorText},
    {"TRCK", "TRK", &TagInfo::track, Id3TextLayout::kText},
    {"TYER", "TYE", &TagInfo::year, Id3TextLayout::kText},
    {"TCOM", "TCM", &TagInfo::composer, Id3TextLayout::kText},
    {"TENC", "TEN", &TagInfo::encoding, Id3TextLayout::kText},
    {"TCOP", "TCR", &TagInfo::rights, Id3TextLayout::kText},
    {"WXXX", "WXX", &TagInfo::url, Id3TextLayout::kDescriptorUrl},
    {"TCON", "TCO", &TagInfo::genre, Id3TextLayout::kText},
    {"USLT", "ULT", &TagInfo::lyrics, Id3TextLayout::kLanguageDescriptorText},
}};

// Unsynchronisation inserts a zero after every 0xFF; undo it.
std::string Resynchronise(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    out.push_back(bytes[i]);
    if (u8(bytes, i) == 0xFF && i + 1 < bytes.size() && bytes[i + 1] == '\0') ++i;
  }
  return out;
}

bool IsFrameIdChar(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

// Picture frames: APIC (2.3/2.4) is encoding, MIME type, terminator, picture
// type, descriptor, terminator, image; PIC (2.2) has a three-letter format in
// place of the MIME type.
struct PictureFrame {
  unsigned type = 0;
  std::string_view image;
};

std::optional<PictureFrame> ParsePicture(std::string_view c, bool v22) {
  if (c.size() < 2) return std::nullopt;
  const auto encoding = u8(c, 0);
  std::size_t at = 1;
  if (v22) {
    at += 3;
  } else {
    const std::size_t mimeEnd = c.find('\0', at);
    if (mimeEnd == std::string_view::npos) return std::nullopt;
    at = mimeEnd + 1;
  }
  if (at >= c.size()) return std::nullopt;
  PictureFrame frame;
  frame.type = u8(c, at++);
  const bool wide = encoding == 1 || encoding == 2;
  std::size_t end = std::string_view::npos;
  if (wide) {
    for (std::size_t i = at; i + 1 < c.size(); i += 2) {
      if (c[i] == '\0' && c[i + 1] == '\0') {
        end = i + 2;
        break;
      }
    }
  } else {
    const std::size_t zero = c.find('\0', at);
    if (zero != std::string_view::npos) end = zero + 1;
  }
  if (end == std::string_view::npos) return std::nullopt;
  frame.image = c.substr(end);
  return frame;
}

class FrameWalker {
 public:
  FrameWalker(ByteSource& source, const Id3v2Header& tag, std::uint64_t begin, std::uint64_t end,
              TagInfo& record, ReadOptions options)
      : source_(source), tag_(tag), pos_(begin), end_(end), record_(record), options_(options) {}

  void walk() {
    while (pos_ < end_ && step()) {
    }
  }

 private:
  std::size_t headerSize() const { return tag_.major < 3 ? 6 : 10; }

  // Whether `at` is where a frame, the padding or the end of the tag begins:
  // the test that tells a 2.4 syncsafe frame size from a plain one.
  bool landsOnFrame(std::uint64_t at) {
    if (at == end_) return true;
    if (at > end_) return false;
    const std::string_view id = source_.peek(at, 4);
    if (id.empty() || id[0] == '\0') return true;
    if (id.size() < 4) return false;
    for (char c : id) {
      if (!IsFrameIdChar(c)) return false;
    }
    return true;
  }

  bool step() {
    const std::size_t hs = headerSize();
    if (end_ - pos_ < hs) return false;
    const std::string_view h = source_.peek(pos_, hs);
    if (h.size() < hs || h[0] == '\0') return false;  // padding
    const std::size_t idSize = tag_.major < 3 ? 3 : 4;
    const std::string id(h.substr(0, idSize));
    for (char c : id) {
      if (!IsFrameIdChar(c)) return false;
    }
    std::uint64_t size = 0;
    unsigned flags = 0;
    if (tag_.major < 3) {
      size = be24(h, 3);
    } else {
      size = be32(h, 4);
      flags = be16(h, 8);
      if (tag_.major >= 4 && (be32(h, 4) & 0x80808080u) == 0) {
        // 2.4 sizes are syncsafe, but some taggers write plain numbers.
        const std::uint64_t safe = syncsafe32(h, 4);
        if (safe == size || landsOnFrame(pos_ + hs + safe) || !landsOnFrame(pos_ + hs + size)) {
          size = safe;
        }
      }
    }
    const std::uint64_t content = pos_ + hs;
    if (size > end_ - content) return false;  // runs past the tag
    pos_ = content + size;
    handle(id, content, size, flags);
    return true;
  }

  void handle(const std::string& id, std::uint64_t content, std::uint64_t size, unsigned flags) {
    const bool v22 = tag_.major < 3;
    const FrameTarget* target = nullptr;
    for (const auto& t : kTextFrames) {
      if ((v22 ? t.id22 : t.id) == id) target = &t;
    }
    const bool picture = id == (v22 ? "PIC" : "APIC");
    if (!target && !(picture && options_.picture)) return;

    bool unsync = false;
    std::uint64_t skip = 0;
    if (tag_.major == 3) {
      if (flags & 0x00C0) return;  // compressed or encrypted
      if (flags & 0x0020) skip = 1;  // group identifier
    } else if (tag_.major >= 4) {
      if (flags & 0x000C) return;  // compressed or encrypted
      if (flags & 0x0040) skip += 1;  // group identifier
      if (flags & 0x0001) skip += 4;  // data length indicator
      unsync = (flags & 0x0002) || (tag_.flags & kTagUnsynchronised);
    }
    if (skip > size) return;
    if (picture && !unsync && readPictureInPlace(content + skip, size - skip, v22)) return;
    std::string bytes = source_.read(content + skip, static_cast<std::size_t>(size - skip));
    if (unsync) bytes = Resynchronise(bytes);

    if (target) {
      record_.*(target->field) = DecodeId3Text(bytes, target->layout);
      return;
    }
    if (auto frame = ParsePicture(bytes, v22)) {
      pictures_.offer(frame->type, frame->image, record_.picture);
    }
  }

  // A cover is read straight into the record once its header (found in the
  // first kilobytes) says where the image starts: one copy of the image,
  // and none at all when a front cover was already taken. false when the
  // header does not fit the window; the caller then parses the whole frame.
  bool readPictureInPlace(std::uint64_t at, std::uint64_t size, bool v22) {
    const std::string_view head = source_.peek(at, static_cast<std::size_t>(std::min<std::uint64_t>(size, 2048)));
    const auto frame = ParsePicture(head, v22);
    if (!frame) return head.size() == size;  // a complete frame without an image
    const auto offset = static_cast<std::uint64_t>(frame->image.data() - head.data());
    if (offset == size || !pictures_.wants(frame->type)) return true;
    const unsigned type = frame->type;
    record_.picture = source_.read(at + offset, static_cast<std::size_t>(size - offset));
    pictures_.took(type);
    return true;
  }

  ByteSource& source_;
  const Id3v2Header& tag_;
  std::uint64_t pos_;
  std::uint64_t end_;
  TagInfo& record_;
  ReadOptions options_;
  PictureChoice pictures_;
};

}  // namespace

std::optional<Id3v2Header> ParseId3v2Header(std::string_view head) {
  if (head.size() < 10 || head.substr(0, 3) != "ID3") return std::nullopt;
  if (u8(head, 3) == 0xFF || u8(head, 4) == 0xFF) return std::nullopt;
  if ((u8(head, 6) | u8(head, 7) | u8(head, 8) | u8(head, 9)) & 0x80) return std::nullopt;
  Id3v2Header tag;
  tag.major = u8(head, 3);
  tag.flags = u8(head, 5);
  tag.framesEnd = std::uint64_t{syncsafe32(head, 6)} + 10;
  // The footer is not part of the counted size, but the audio starts after it.
  tag.totalSize = tag.framesEnd + (tag.major >= 4 && (tag.flags & kTagFooter) ? 10 : 0);
  return tag;
}

std::uint64_t Id3v2TotalSize(ByteSource& source) {
  const auto tag = ParseId3v2Header(source.peek(0, 10));
  return tag ? tag->totalSize : 0;
}

std::uint64_t Id3v2TotalSize(const std::string& path) {
  auto source = FileSource::open(path);
  return source ? Id3v2TotalSize(*source) : 0;
}

bool ReadId3v2(ByteSource& source, TagInfo& record, ReadOptions options) {
  const auto found = ParseId3v2Header(source.peek(0, 10));
  if (!found) return false;
  Id3v2Header tag = *found;
  if (tag.major < 2 || tag.major > 4) return true;  // a layout we cannot know
  if (tag.major == 2 && (tag.flags & kTagExtendedHeader)) return true;  // 2.2 compression
  const std::uint64_t end = std::min(tag.framesEnd, source.size());

  if (tag.major < 4 && (tag.flags & kTagUnsynchronised)) {
    // Unsynchronisation of a whole 2.2/2.3 tag: frame sizes count the
    // resynchronised bytes, so the body is undone first and walked in memory.
    const std::string body = Resynchronise(source.read(10, static_cast<std::size_t>(end - 10)));
    MemorySource memory(body);
    std::uint64_t begin = 0;
    if (tag.major == 3 && (tag.flags & kTagExtendedHeader)) {
      const std::string_view ext = memory.peek(0, 4);
      if (ext.size() < 4) return true;
      begin = std::uint64_t{be32(ext, 0)} + 4;
    }
    Id3v2Header inMemory = tag;
    inMemory.flags &= ~kTagUnsynchronised;
    FrameWalker(memory, inMemory, begin, body.size(), record, options).walk();
    return true;
  }

  std::uint64_t begin = 10;
  if (tag.flags & kTagExtendedHeader) {
    const std::string_view ext = source.peek(10, 4);
    if (ext.size() < 4) return true;
    // 2.3: size not counting its own four bytes; 2.4: syncsafe, counting them.
    begin += tag.major == 3 ? std::uint64_t{be32(ext, 0)} + 4 : syncsafe32(ext, 0);
  }
  FrameWalker(source, tag, begin, end, record, options).walk();
  return true;
}

bool ReadId3v2(const std::string& path, TagInfo& record, ReadOptions options) {
  auto source = FileSource::open(path);
  return source && ReadId3v2(*source, record, options);
}

}  // namespace youran
