#include "support/tag_fixtures.h"

#include <array>
#include <stdexcept>

#include "base/text_encoding.h"

namespace youran::testing {

using namespace std::string_view_literals;

std::string be32Bytes(std::uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
          static_cast<char>(v)};
}
std::string le16Bytes(std::uint32_t v) { return {static_cast<char>(v), static_cast<char>(v >> 8)}; }
std::string le32Bytes(std::uint32_t v) { return le16Bytes(v & 0xFFFF) + le16Bytes(v >> 16); }
std::string le64Bytes(std::uint64_t v) {
  return le32Bytes(static_cast<std::uint32_t>(v)) + le32Bytes(static_cast<std::uint32_t>(v >> 32));
}
std::string syncsafeBytes(std::uint32_t v) {
  return {static_cast<char>((v >> 21) & 0x7F), static_cast<char>((v >> 14) & 0x7F),
          static_cast<char>((v >> 7) & 0x7F), static_cast<char>(v & 0x7F)};
}

namespace {
std::u32string Decode(std::string_view s) {
  std::u32string out;
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    char32_t cp = c;
    std::size_t n = 1;
    if (c >= 0xF0) {
      cp = c & 0x07;
      n = 4;
    } else if (c >= 0xE0) {
      cp = c & 0x0F;
      n = 3;
    } else if (c >= 0xC0) {
      cp = c & 0x1F;
      n = 2;
    }
    for (std::size_t k = 1; k < n && i + k < s.size(); ++k) {
      cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    }
    out.push_back(cp);
    i += n;
  }
  return out;
}

std::string Utf16(std::string_view utf8, bool big) {
  std::string out;
  auto unit = [&](std::uint32_t u) {
    if (big) {
      out.push_back(static_cast<char>(u >> 8));
      out.push_back(static_cast<char>(u));
    } else {
      out.push_back(static_cast<char>(u));
      out.push_back(static_cast<char>(u >> 8));
    }
  };
  for (char32_t cp : Decode(utf8)) {
    if (cp >= 0x10000) {
      cp -= 0x10000;
      unit(0xD800 + (cp >> 10));
      unit(0xDC00 + (cp & 0x3FF));
    } else {
      unit(cp);
    }
  }
  return out;
}
}  // namespace

std::string utf16le(std::string_view utf8, bool terminate) {
  std::string out = Utf16(utf8, false);
  if (terminate) out.append(2, '\0');
  return out;
}
std::string utf16be(std::string_view utf8) { return Utf16(utf8, true); }

// ---- ID3v2 -------------------------------------------------------------

std::string id3Frame(unsigned major, const Id3Frame& frame) {
  const auto size = static_cast<std::uint32_t>(frame.content.size());
  if (major < 3) {
    return frame.id + be32Bytes(size).substr(1) + frame.content;
  }
  const std::string sizeBytes =
      major >= 4 && !frame.plainSize ? syncsafeBytes(size) : be32Bytes(size);
  return frame.id + sizeBytes + static_cast<char>(frame.flags >> 8) +
         static_cast<char>(frame.flags & 0xFF) + frame.content;
}

std::string id3v2Tag(unsigned major, const std::vector<Id3Frame>& frames,
                     const Id3TagOptions& options) {
  std::string body = options.extendedHeader;
  for (const auto& f : frames) body += id3Frame(major, f);
  body.append(options.padding, '\0');
  if (options.unsynchronise) body = unsynchronise(body);
  std::string tag = "ID3";
  tag += static_cast<char>(major);
  tag += '\0';
  tag += static_cast<char>(options.flags | (options.unsynchronise ? 0x80 : 0));
  tag += syncsafeBytes(static_cast<std::uint32_t>(body.size()));
  return tag + body;
}

std::string id3Text(unsigned char encoding, std::string_view encodedText) {
  return static_cast<char>(encoding) + std::string(encodedText);
}

std::string id3Comment(unsigned char encoding, std::string_view language,
                       std::string_view encodedDescriptor, std::string_view encodedText) {
  const bool wide = encoding == 1 || encoding == 2;
  std::string out(1, static_cast<char>(encoding));
  out += language;
  out += encodedDescriptor;
  out.append(wide ? 2 : 1, '\0');
  out += encodedText;
  return out;
}

std::string id3Apic(unsigned char encoding, std::string_view mime, unsigned char type,
                    std::string_view encodedDescription, std::string_view image) {
  const bool wide = encoding == 1 || encoding == 2;
  std::string out(1, static_cast<char>(encoding));
  out += mime;
  out += '\0';
  out += static_cast<char>(type);
  out += encodedDescription;
  out.append(wide ? 2 : 1, '\0');
  out += image;
  return out;
}

std::string unsynchronise(std::string_view bytes) {
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    out += bytes[i];
    const bool ff = static_cast<unsigned char>(bytes[i]) == 0xFF;
    if (ff && (i + 1 == bytes.size() || static_cast<unsigned char>(bytes[i + 1]) >= 0xE0 ||
               bytes[i + 1] == '\0')) {
      out += '\0';
    }
  }
  return out;
}

// ---- ID3v1 -------------------------------------------------------------

std::string id3v1Tag(std::string_view title, std::string_view artist, std::string_view album,
                     std::string_view year, std::string_view comment, int track,
                     unsigned char genre) {
  std::string tag(128, '\0');
  auto put = [&](std::size_t at, std::size_t size, std::string_view text) {
    tag.replace(at, std::min(size, text.size()), text.substr(0, size));
  };
  tag.replace(0, 3, "TAG");
  put(3, 30, title);
  put(33, 30, artist);
  put(63, 30, album);
  put(93, 4, year);
  put(97, 30, comment);
  if (track > 0) {
    tag[125] = '\0';
    tag[126] = static_cast<char>(track);
  }
  tag[127] = static_cast<char>(genre);
  return tag;
}

// ---- MPEG --------------------------------------------------------------

std::string mpegFrame(std::uint32_t header, std::size_t length, std::string_view vbrBody,
                      std::size_t sideInfo) {
  std::string frame = be32Bytes(header);
  frame.append(sideInfo, '\0');
  frame += vbrBody;
  if (frame.size() < length) frame.append(length - frame.size(), '\0');
  return frame;
}

std::string xingBody(std::string_view tag, std::uint32_t flags, std::uint32_t frames,
                     std::uint32_t bytes) {
  std::string body(tag);
  body += be32Bytes(flags);
  if (flags & 1) body += be32Bytes(frames);
  if (flags & 2) body += be32Bytes(bytes);
  return body;
}

std::string vbriBody(std::uint32_t bytes, std::uint32_t frames) {
  return std::string("VBRI") + std::string(6, '\0') + be32Bytes(bytes) + be32Bytes(frames);
}

// ---- APE ---------------------------------------------------------------

std::string apeItem(std::string_view key, std::string_view value, std::uint32_t flags) {
  return le32Bytes(static_cast<std::uint32_t>(value.size())) + le32Bytes(flags) + std::string(key) +
         '\0' + std::string(value);
}

namespace {
std::string ApeHeaderOrFooter(std::uint32_t tagSize, std::uint32_t count, bool header) {
  return std::string("APETAGEX") + le32Bytes(2000) + le32Bytes(tagSize) + le32Bytes(count) +
         le32Bytes(header ? 0xA0000000u : 0x80000000u) + std::string(8, '\0');
}
}  // namespace

std::string apeTag(const std::vector<std::string>& items, bool withHeader) {
  std::string body;
  for (const auto& item : items) body += item;
  const auto size = static_cast<std::uint32_t>(body.size() + 32);
  const auto count = static_cast<std::uint32_t>(items.size());
  return (withHeader ? ApeHeaderOrFooter(size, count, true) : std::string()) + body +
         ApeHeaderOrFooter(size, count, false);
}

std::string macHeaderNew(unsigned version, std::uint32_t blocksPerFrame, std::uint32_t finalBlocks,
                         std::uint32_t totalFrames, unsigned bits, unsigned channels,
                         std::uint32_t rate) {
  std::string h = "MAC " + le16Bytes(version) + le16Bytes(0) + le32Bytes(52) + le32Bytes(24);
  h.append(52 - h.size(), '\0');
  h += le16Bytes(2000) + le16Bytes(0) + le32Bytes(blocksPerFrame) + le32Bytes(finalBlocks) +
       le32Bytes(totalFrames) + le16Bytes(bits) + le16Bytes(channels) + le32Bytes(rate);
  return h;
}

std::string macHeaderOld(unsigned version, unsigned level, unsigned channels, std::uint32_t rate,
                         std::uint32_t totalFrames, std::uint32_t finalBlocks) {
  return "MAC " + le16Bytes(version) + le16Bytes(level) + le16Bytes(0) + le16Bytes(channels) +
         le32Bytes(rate) + le32Bytes(0) + le32Bytes(0) + le32Bytes(totalFrames) +
         le32Bytes(finalBlocks);
}

// ---- Vorbis comment, Ogg, FLAC -----------------------------------------

std::string vorbisComment(std::string_view vendor, const std::vector<std::string>& comments) {
  std::string out = le32Bytes(static_cast<std::uint32_t>(vendor.size())) + std::string(vendor) +
                    le32Bytes(static_cast<std::uint32_t>(comments.size()));
  for (const auto& c : comments) out += le32Bytes(static_cast<std::uint32_t>(c.size())) + c;
  return out;
}

std::string flacPicture(std::uint32_t type, std::string_view mime, std::string_view description,
                        std::string_view image) {
  return be32Bytes(type) + be32Bytes(static_cast<std::uint32_t>(mime.size())) + std::string(mime) +
         be32Bytes(static_cast<std::uint32_t>(description.size())) + std::string(description) +
         be32Bytes(300) + be32Bytes(300) + be32Bytes(24) + be32Bytes(0) +
         be32Bytes(static_cast<std::uint32_t>(image.size())) + std::string(image);
}

std::string base64(std::string_view bytes) {
  static constexpr std::string_view kAlphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const std::uint32_t v = (static_cast<unsigned char>(bytes[i]) << 16) |
                            (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                            static_cast<unsigned char>(bytes[i + 2]);
    for (int s = 18; s >= 0; s -= 6) out += kAlphabet[(v >> s) & 63];
  }
  const std::size_t rest = bytes.size() - i;
  if (rest > 0) {
    std::uint32_t v = static_cast<unsigned char>(bytes[i]) << 16;
    if (rest == 2) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

std::string oggStream(const std::vector<std::string>& packets, std::uint64_t lastGranule,
                      std::uint32_t serial, unsigned segmentsPerPage) {
  // Lace every packet: 255-byte segments then one shorter (possibly empty).
  std::vector<std::pair<unsigned, std::string_view>> segments;
  std::vector<bool> packetStart;
  for (const auto& p : packets) {
    std::size_t at = 0;
    bool first = true;
    for (;;) {
      const std::size_t n = std::min<std::size_t>(255, p.size() - at);
      segments.emplace_back(static_cast<unsigned>(n), std::string_view(p).substr(at, n));
      packetStart.push_back(first);
      first = false;
      at += n;
      if (n < 255) break;
    }
  }
  std::string out;
  std::uint32_t sequence = 0;
  for (std::size_t s = 0; s < segments.size();) {
    const std::size_t end = std::min(segments.size(), s + segmentsPerPage);
    const bool continued = !packetStart[s];
    const bool lastPage = end == segments.size();
    std::string page = "OggS";
    page += '\0';
    page += static_cast<char>((continued ? 1 : 0) | (sequence == 0 ? 2 : 0) | (lastPage ? 4 : 0));
    page += le64Bytes(lastPage ? lastGranule : 0);
    page += le32Bytes(serial) + le32Bytes(sequence++) + le32Bytes(0);
    page += static_cast<char>(end - s);
    for (std::size_t k = s; k < end; ++k) page += static_cast<char>(segments[k].first);
    for (std::size_t k = s; k < end; ++k) page += segments[k].second;
    out += page;
    s = end;
  }
  return out;
}

std::string vorbisIdentification(unsigned channels, std::uint32_t rate, std::int32_t nominal) {
  return std::string("\x01vorbis") + le32Bytes(0) + static_cast<char>(channels) + le32Bytes(rate) +
         le32Bytes(0) + le32Bytes(static_cast<std::uint32_t>(nominal)) + le32Bytes(0) + "\xB8\x01";
}

std::string vorbisCommentPacket(std::string_view vendor, const std::vector<std::string>& comments) {
  return std::string("\x03vorbis") + vorbisComment(vendor, comments) + '\x01';
}

std::string flacBlock(unsigned type, std::string_view body, bool last) {
  const auto size = static_cast<std::uint32_t>(body.size());
  return static_cast<char>((last ? 0x80 : 0) | type) + be32Bytes(size).substr(1) +
         std::string(body);
}

std::string flacStreamInfo(std::uint32_t rate, unsigned channels, unsigned bits,
                           std::uint64_t totalSamples) {
  std::string b = std::string("\x10\x00\x10\x00", 4) + std::string(6, '\0');
  const std::uint64_t packed = (std::uint64_t{rate} << 44) | (std::uint64_t{channels - 1} << 41) |
                               (std::uint64_t{bits - 1} << 36) | (totalSamples & 0xFFFFFFFFFull);
  b += be32Bytes(static_cast<std::uint32_t>(packed >> 32)) +
       be32Bytes(static_cast<std::uint32_t>(packed));
  b.append(16, '\x5A');  // MD5
  return b;
}

// ---- MP4 ---------------------------------------------------------------

std::string mp4Atom(std::string_view type, std::string_view body) {
  return be32Bytes(static_cast<std::uint32_t>(body.size() + 8)) + std::string(type) +
         std::string(body);
}

std::string mp4Item(std::string_view name, std::uint32_t kind, std::string_view value) {
  return mp4Atom(name, mp4Atom("data", be32Bytes(kind) + be32Bytes(0) + std::string(value)));
}

std::string mp4File(const std::vector<std::string>& items, std::size_t mdatBytes) {
  std::string ilst;
  for (const auto& i : items) ilst += i;
  const std::string hdlr = mp4Atom("hdlr", std::string(8, '\0') + "mdirappl" + std::string(9, '\0'));
  const std::string meta = mp4Atom("meta", std::string(4, '\0') + hdlr + mp4Atom("ilst", ilst));
  const std::string moov =
      mp4Atom("moov", mp4Atom("mvhd", std::string(100, '\0')) + mp4Atom("udta", meta));
  return mp4Atom("ftyp", "M4A " + be32Bytes(0) + "M4A isom") +
         mp4Atom("mdat", std::string(mdatBytes, '\x11')) + moov;
}

// ---- ASF ---------------------------------------------------------------

const std::string_view kAsfHeaderGuid =
    "\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C"sv;
const std::string_view kAsfFilePropertiesGuid =
    "\xA1\xDC\xAB\x8C\x47\xA9\xCF\x11\x8E\xE4\x00\xC0\x0C\x20\x53\x65"sv;
const std::string_view kAsfContentDescriptionGuid =
    "\x33\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C"sv;
const std::string_view kAsfExtendedContentGuid =
    "\x40\xA4\xD0\xD2\x07\xE3\xD2\x11\x97\xF0\x00\xA0\xC9\x5E\xA8\x50"sv;
const std::string_view kAsfCodecListGuid =
    "\x40\x52\xD1\x86\x1D\x31\xD0\x11\xA3\xA4\x00\xA0\xC9\x03\x48\xF6"sv;

std::string asfObject(std::string_view guid, std::string_view body) {
  return std::string(guid) + le64Bytes(body.size() + 24) + std::string(body);
}

std::string asfHeader(const std::vector<std::string>& objects) {
  std::string body;
  for (const auto& o : objects) body += o;
  return std::string(kAsfHeaderGuid) + le64Bytes(body.size() + 30) +
         le32Bytes(static_cast<std::uint32_t>(objects.size())) + "\x01\x02" + body;
}

std::string asfContentDescription(std::string_view title, std::string_view author,
                                  std::string_view copyright, std::string_view description) {
  const std::array<std::string, 5> texts = {utf16le(title, true), utf16le(author, true),
                                            utf16le(copyright, true), utf16le(description, true),
                                            utf16le("", true)};
  std::string out;
  for (const auto& t : texts) out += le16Bytes(static_cast<std::uint32_t>(t.size()));
  for (const auto& t : texts) out += t;
  return asfObject(kAsfContentDescriptionGuid, out);
}

std::string asfExtendedContent(const std::vector<AsfDescriptor>& descriptors) {
  std::string out = le16Bytes(static_cast<std::uint32_t>(descriptors.size()));
  for (const auto& d : descriptors) {
    const std::string name = utf16le(d.name, true);
    out += le16Bytes(static_cast<std::uint32_t>(name.size())) + name + le16Bytes(d.type) +
           le16Bytes(static_cast<std::uint32_t>(d.value.size())) + d.value;
  }
  return asfObject(kAsfExtendedContentGuid, out);
}

std::string asfFileProperties(std::uint64_t play100ns, std::uint64_t prerollMs) {
  std::string body(16, '\x42');
  body += le64Bytes(1000) + le64Bytes(0) + le64Bytes(1);
  body += le64Bytes(play100ns) + le64Bytes(play100ns) + le64Bytes(prerollMs);
  body += le32Bytes(2) + le32Bytes(3200) + le32Bytes(3200) + le32Bytes(128000);
  return asfObject(kAsfFilePropertiesGuid, body);
}

std::string asfCodecList(std::string_view name, std::string_view description) {
  const std::string n = utf16le(name, true);
  const std::string d = utf16le(description, true);
  std::string body(16, '\0');
  body += le32Bytes(1);
  body += le16Bytes(2) + le16Bytes(static_cast<std::uint32_t>(n.size() / 2)) + n +
          le16Bytes(static_cast<std::uint32_t>(d.size() / 2)) + d + le16Bytes(2) + "\x61\x01";
  return asfObject(kAsfCodecListGuid, body);
}

std::string asfPicture(unsigned char type, std::string_view mime, std::string_view image) {
  return static_cast<char>(type) + le32Bytes(static_cast<std::uint32_t>(image.size())) +
         utf16le(mime, true) + utf16le("", true) + std::string(image);
}

std::string fakeJpeg(std::size_t size) {
  std::string out = "\xFF\xD8\xFF\xE0";
  for (std::size_t i = out.size(); i < size; ++i) out += static_cast<char>(i * 7 + 1);
  return out.substr(0, size);
}

std::string fakePng(std::size_t size) {
  std::string out = "\x89PNG\r\n\x1A\n";
  for (std::size_t i = out.size(); i < size; ++i) out += static_cast<char>(i * 13 + 5);
  return out.substr(0, size);
}

}  // namespace youran::testing
