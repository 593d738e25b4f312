#include <gtest/gtest.h>

#include "support/tag_fixtures.h"
#include "tags/mp4.h"
#include "tags/wma.h"

namespace youran {
namespace {

using testing::mp4Atom;
using testing::mp4File;
using testing::mp4Item;

TagInfo ReadMp4Bytes(const std::string& bytes, ReadOptions options = {}) {
  TagInfo record;
  record.composer = "not cleared";
  MemorySource source(bytes);
  ReadMp4(source, record, options);
  return record;
}

TEST(TagsMp4, Items) {
  const std::string cover = testing::fakeJpeg(900);
  const std::string freeform = mp4Atom(
      "----", mp4Atom("mean", std::string(4, '\0') + "com.apple.iTunes") +
                  mp4Atom("name", std::string(4, '\0') + "LYRICS") +
                  mp4Atom("data", testing::be32Bytes(1) + testing::be32Bytes(0) + "free lyrics"));
  const std::string bytes = mp4File({
      mp4Item("\xA9nam", 1, "天路"), mp4Item("\xA9" "ART", 1, "韩红"), mp4Item("\xA9" "alb", 1, "Al"),
      mp4Item("\xA9" "day", 1, "2001"), mp4Item("\xA9" "cmt", 1, "co"),
      mp4Item("\xA9gen", 1, "Pop"), mp4Item("trkn", 0, std::string("\0\0\0\x03\0\x0A\0\0", 8)),
      mp4Item("\xA9wrt", 1, "writer"), freeform, mp4Item("covr", 13, cover),
  }, 5000);
  const TagInfo r = ReadMp4Bytes(bytes);
  EXPECT_EQ(r.title, "天路");
  EXPECT_EQ(r.artist, "韩红");
  EXPECT_EQ(r.album, "Al");
  EXPECT_EQ(r.year, "2001");
  EXPECT_EQ(r.comment, "co");
  EXPECT_EQ(r.lyrics, "free lyrics");
  EXPECT_EQ(r.picture, cover);
  // Parsed but not stored.
  EXPECT_EQ(r.genre, "");
  EXPECT_EQ(r.track, "");
  EXPECT_EQ(r.composer, "not cleared");
  EXPECT_EQ(ReadMp4Bytes(bytes, ReadOptions{false, true}).picture, "");
}

TEST(TagsMp4, AlbumArtistAndBrokenFiles) {
  EXPECT_EQ(ReadMp4Bytes(mp4File({mp4Item("aART", 1, "Album Artist")})).artist, "Album Artist");
  EXPECT_EQ(ReadMp4Bytes(mp4File({mp4Item("aART", 1, "AA"), mp4Item("\xA9" "ART", 1, "Track")})).artist,
            "Track");
  EXPECT_EQ(ReadMp4Bytes(mp4File({mp4Item("\xA9lyr", 1, "lyr")})).lyrics, "lyr");
  EXPECT_EQ(ReadMp4Bytes(mp4File({mp4Item("\xA9nam", 2, testing::utf16be("宽"))})).title, "宽");

  // An item whose size runs past ilst ends the walk; earlier items stay.
  std::string bytes = mp4File({mp4Item("\xA9nam", 1, "kept"), mp4Item("\xA9" "ART", 1, "lost")});
  const std::size_t art = bytes.find("\xA9" "ART") - 4;
  bytes[art] = '\x70';
  TagInfo r = ReadMp4Bytes(bytes);
  EXPECT_EQ(r.title, "kept");
  EXPECT_EQ(r.artist, "");
  // No moov, an atom smaller than its header, a 64-bit size, a data atom
  // shorter than its type and locale.
  EXPECT_EQ(ReadMp4Bytes(mp4Atom("ftyp", "M4A ") + mp4Atom("mdat", "x")).title, "");
  EXPECT_EQ(ReadMp4Bytes(std::string("\0\0\0\x04moov", 8)).title, "");
  const std::string full = mp4File({mp4Item("\xA9nam", 1, "big")});
  const std::string moov = full.substr(full.find("moov") - 4);
  const std::string large = std::string("\0\0\0\x01mdat", 8) + testing::be32Bytes(0) +
                            testing::be32Bytes(20) + "abcd" + moov;
  EXPECT_EQ(ReadMp4Bytes(large).title, "big");
  EXPECT_EQ(ReadMp4Bytes(mp4File({mp4Atom("\xA9nam", mp4Atom("data", "abc"))})).title, "");
}

TagInfo ReadWmaBytes(const std::string& bytes, ReadOptions options = {}) {
  TagInfo record;
  record.performer = "cleared";
  MemorySource source(bytes);
  ReadWma(source, record, options);
  return record;
}

TEST(TagsWma, Objects) {
  using testing::AsfDescriptor;
  using testing::utf16le;
  const std::string cover = testing::fakeJpeg(600);
  const std::string header = testing::asfHeader({
      testing::asfFileProperties(2050000000ull, 3000),  // 205 s - 3 s preroll
      testing::asfContentDescription("天路", "韩红", "(c)", "desc"),
      testing::asfExtendedContent({
          {"WM/AlbumTitle", 0, utf16le("Al", true)},
          {"WM/Genre", 0, utf16le("Pop", true)},
          {"WM/Lyrics", 0, utf16le("words", true)},
          {"WM/Track", 3, testing::le32Bytes(4)},
          {"WM/TrackNumber", 0, utf16le("5", true)},
          {"WM/Year", 0, utf16le("2001", true)},
          {"WM/URL", 0, utf16le("http://u.example/", true)},
          {"WM/UserWebURL", 0, utf16le("http://w.example/", true)},
          {"WMFSDKVersion", 0, utf16le("12.0", true)},
          {"WM/EncodedBy", 0, utf16le("enc", true)},
          {"WM/Unknown", 0, utf16le("x", true)},
          {"WM/Picture", 1, testing::asfPicture(3, "image/jpeg", cover)},
      }),
      testing::asfCodecList("Windows Media Audio 9.2", "128 kbps, 44 kHz, stereo 1-pass CBR"),
  });
  const TagInfo r = ReadWmaBytes(header + std::string(100, '\0'));
  EXPECT_EQ(r.title, "天路");
  EXPECT_EQ(r.artist, "韩红");
  EXPECT_EQ(r.rights, "(c)");
  EXPECT_EQ(r.comment, "desc");
  EXPECT_EQ(r.album, "Al");
  EXPECT_EQ(r.genre, "Pop");
  EXPECT_EQ(r.lyrics, "words");
  EXPECT_EQ(r.trackAlt, "4");
  EXPECT_EQ(r.track, "5");
  EXPECT_EQ(r.year, "2001");
  EXPECT_EQ(r.url, "http://u.example/");
  EXPECT_EQ(r.composer, "http://w.example/");
  EXPECT_EQ(r.version, "12.0");
  EXPECT_EQ(r.picture, cover);  // the image, without the WM/Picture header
  EXPECT_EQ(r.duration, "03:22");
  EXPECT_EQ(r.encoding, "Windows Media Audio 9.2");  // the codec list came last
  EXPECT_EQ(r.bitrate, "128 kbps");
  EXPECT_EQ(r.sampleRate, "44 kHz");
  EXPECT_EQ(r.channels, "立体声");
  EXPECT_EQ(r.performer, "");
  EXPECT_EQ(ReadWmaBytes(header, ReadOptions{false, true}).picture, "");
}

TEST(TagsWma, ChannelsAndBrokenHeaders) {
  const std::pair<const char*, const char*> cases[] = {
      {"64 kbps, 22 kHz, mono", "单声道"}, {"64 kbps", "未知"}, {"", "未知"}};
  for (const auto& [description, channels] : cases) {
    const TagInfo r = ReadWmaBytes(testing::asfHeader({testing::asfCodecList("WMA", description)}));
    EXPECT_EQ(r.channels, channels) << description;
  }
  // Wrong GUID; an object larger than the header; a string length past its
  // object, keeping the texts before it.
  std::string wrong = testing::asfHeader({testing::asfContentDescription("t", "", "", "")});
  wrong[0] = 'X';
  EXPECT_EQ(ReadWmaBytes(wrong).title, "");
  std::string oversized = testing::asfHeader({testing::asfContentDescription("t", "", "", "")});
  oversized[30 + 16] = '\x7F';
  EXPECT_EQ(ReadWmaBytes(oversized).title, "");
  std::string content = testing::asfContentDescription("t", "a", "", "");
  content[24 + 4] = '\x7F';  // copyright length
  const TagInfo partial = ReadWmaBytes(testing::asfHeader({content}));
  EXPECT_EQ(partial.title, "t");
  EXPECT_EQ(partial.artist, "a");
  EXPECT_EQ(partial.rights, "");
  EXPECT_EQ(partial.performer, "");
  // Preroll longer than the play duration gives 00:00, not a huge number.
  EXPECT_EQ(ReadWmaBytes(testing::asfHeader({testing::asfFileProperties(10000, 5000)})).duration,
            "00:00");
}

}  // namespace
}  // namespace youran
