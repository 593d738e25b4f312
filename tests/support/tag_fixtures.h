#pragma once

// Byte-exact builders for the tag formats the readers understand. Every
// builder returns the bytes as a std::string; sizes and counts are computed
// from the parts unless a test overrides them to build a broken file.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace youran::testing {

std::string be32Bytes(std::uint32_t v);
std::string le16Bytes(std::uint32_t v);
std::string le32Bytes(std::uint32_t v);
std::string le64Bytes(std::uint64_t v);
std::string syncsafeBytes(std::uint32_t v);
std::string utf16le(std::string_view utf8, bool terminate = false);
std::string utf16be(std::string_view utf8);

// ---- ID3v2 -------------------------------------------------------------
struct Id3Frame {
  std::string id;
  std::string content;
  unsigned flags = 0;
  bool plainSize = false;  // 2.4: write the size as a plain 32-bit number
};

struct Id3TagOptions {
  unsigned flags = 0;        // tag header flags
  std::size_t padding = 0;   // zero bytes after the frames
  std::string extendedHeader;  // written as given after the tag header
  bool unsynchronise = false;  // apply tag-level unsynchronisation to the body

  Id3TagOptions& padded(std::size_t bytes) { padding = bytes; return *this; }
  Id3TagOptions& extended(unsigned tagFlags, std::string header) {
    flags = tagFlags;
    extendedHeader = std::move(header);
    return *this;
  }
  Id3TagOptions& unsynchronised() { unsynchronise = true; return *this; }
};

std::string id3Frame(unsigned major, const Id3Frame& frame);
std::string id3v2Tag(unsigned major, const std::vector<Id3Frame>& frames,
                     const Id3TagOptions& options = {});
// Text frame content: encoding byte + text as given (already encoded).
std::string id3Text(unsigned char encoding, std::string_view encodedText);
std::string id3Comment(unsigned char encoding, std::string_view language,
                       std::string_view encodedDescriptor, std::string_view encodedText);
std::string id3Apic(unsigned char encoding, std::string_view mime, unsigned char type,
                    std::string_view encodedDescription, std::string_view image);
std::string unsynchronise(std::string_view bytes);

// ---- ID3v1 -------------------------------------------------------------
// `comment` is written into bytes 97..126 as given (pad with zeros); pass
// track > 0 to write a v1.1 track (zero at 125, track at 126).
std::string id3v1Tag(std::string_view title, std::string_view artist, std::string_view album,
                     std::string_view year, std::string_view comment, int track,
                     unsigned char genre);

// ---- MPEG --------------------------------------------------------------
// One frame: the four header bytes, then zeros up to `length`, with an
// optional Xing/Info/VBRI body written after `sideInfo` bytes.
std::string mpegFrame(std::uint32_t header, std::size_t length, std::string_view vbrBody = {},
                      std::size_t sideInfo = 32);
std::string xingBody(std::string_view tag, std::uint32_t flags, std::uint32_t frames,
                     std::uint32_t bytes);
std::string vbriBody(std::uint32_t bytes, std::uint32_t frames);

// ---- APE ---------------------------------------------------------------
std::string apeItem(std::string_view key, std::string_view value, std::uint32_t flags = 0);
std::string apeTag(const std::vector<std::string>& items, bool withHeader = false);
std::string macHeaderNew(unsigned version, std::uint32_t blocksPerFrame, std::uint32_t finalBlocks,
                         std::uint32_t totalFrames, unsigned bits, unsigned channels,
                         std::uint32_t rate);
std::string macHeaderOld(unsigned version, unsigned level, unsigned channels, std::uint32_t rate,
                         std::uint32_t totalFrames, std::uint32_t finalBlocks);

// ---- Vorbis comment, Ogg, FLAC -----------------------------------------
std::string vorbisComment(std::string_view vendor, const std::vector<std::string>& comments);
std::string flacPicture(std::uint32_t type, std::string_view mime, std::string_view description,
                        std::string_view image);
std::string base64(std::string_view bytes);

struct OggPacket {
  std::string bytes;
};
// Pages of one stream: packets are laced into segments and split over pages
// of at most `segmentsPerPage` segments (255 gives full pages). The last page
// gets granule position `lastGranule`, the others -1 or 0.
std::string oggStream(const std::vector<std::string>& packets, std::uint64_t lastGranule,
                      std::uint32_t serial = 0x1234, unsigned segmentsPerPage = 255);
std::string vorbisIdentification(unsigned channels, std::uint32_t rate, std::int32_t nominal);
std::string vorbisCommentPacket(std::string_view vendor, const std::vector<std::string>& comments);

std::string flacBlock(unsigned type, std::string_view body, bool last);
std::string flacStreamInfo(std::uint32_t rate, unsigned channels, unsigned bits,
                           std::uint64_t totalSamples);

// ---- MP4 ---------------------------------------------------------------
std::string mp4Atom(std::string_view type, std::string_view body);
std::string mp4Item(std::string_view name, std::uint32_t kind, std::string_view value);
// ftyp, moov/udta/meta/ilst with the items, then an mdat of `mdatBytes`.
std::string mp4File(const std::vector<std::string>& items, std::size_t mdatBytes = 16);

// ---- ASF / WMA ---------------------------------------------------------
extern const std::string_view kAsfHeaderGuid;
extern const std::string_view kAsfFilePropertiesGuid;
extern const std::string_view kAsfContentDescriptionGuid;
extern const std::string_view kAsfExtendedContentGuid;
extern const std::string_view kAsfCodecListGuid;

std::string asfObject(std::string_view guid, std::string_view body);
std::string asfHeader(const std::vector<std::string>& objects);
std::string asfContentDescription(std::string_view title, std::string_view author,
                                  std::string_view copyright, std::string_view description);
struct AsfDescriptor {
  std::string name;
  unsigned type;
  std::string value;  // already encoded for its type
};
std::string asfExtendedContent(const std::vector<AsfDescriptor>& descriptors);
std::string asfFileProperties(std::uint64_t play100ns, std::uint64_t prerollMs);
std::string asfCodecList(std::string_view name, std::string_view description);
std::string asfPicture(unsigned char type, std::string_view mime, std::string_view image);

// A small valid-looking JPEG and PNG: magic bytes plus a counter pattern.
std::string fakeJpeg(std::size_t size);
std::string fakePng(std::size_t size);

}  // namespace youran::testing
