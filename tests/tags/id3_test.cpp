#include <gtest/gtest.h>

#include "base/text_encoding.h"
#include "support/tag_fixtures.h"
#include "tags/id3.h"

namespace youran {
namespace {

using testing::id3Apic;
using testing::id3Comment;
using testing::id3Frame;
using testing::Id3Frame;
using testing::id3Text;
using testing::id3v1Tag;
using testing::id3v2Tag;
using testing::utf16be;
using testing::utf16le;

const std::string kBomLe = "\xFF\xFE";
const std::string kBomBe = "\xFE\xFF";

TEST(TagsId3Text, Decoding) {
  const std::string gbk = utf8ToGb18030("天路");
  struct Case {
    std::string content;
    Id3TextLayout layout;
    std::string expected;
  } cases[] = {
      {id3Text(0, "Plain"), Id3TextLayout::kText, "Plain"},
      {id3Text(0, gbk), Id3TextLayout::kText, "天路"},
      {id3Text(0, "caf\xE9"), Id3TextLayout::kText, "café"},
      {id3Text(0, std::string("one\0two", 7)), Id3TextLayout::kText, "one"},
      {id3Text(1, kBomLe + utf16le("天路")), Id3TextLayout::kText, "天路"},
      {id3Text(1, kBomBe + utf16be("天路")), Id3TextLayout::kText, "天路"},
      {id3Text(1, kBomLe + utf16le("a", true) + utf16le("b")), Id3TextLayout::kText, "a"},
      {id3Text(2, utf16be("韩红")), Id3TextLayout::kText, "韩红"},
      {id3Text(3, "天路"), Id3TextLayout::kText, "天路"},
      {id3Text(3, "\xEF\xBB\xBF天路"), Id3TextLayout::kText, "天路"},
      {id3Text(3, gbk), Id3TextLayout::kText, "天路"},  // mislabelled legacy text
      {id3Text(7, "x"), Id3TextLayout::kText, ""},
      {"", Id3TextLayout::kText, ""},
      // Language and descriptor go, in every language and encoding.
      {id3Comment(0, "eng", "desc", "hello"), Id3TextLayout::kLanguageDescriptorText, "hello"},
      {id3Comment(0, "deu", "desc", "hallo"), Id3TextLayout::kLanguageDescriptorText, "hallo"},
      {id3Comment(0, "XXX", "", "x"), Id3TextLayout::kLanguageDescriptorText, "x"},
      {id3Comment(1, "jpn", kBomLe + utf16le("d"), kBomLe + utf16le("歌詞")),
       Id3TextLayout::kLanguageDescriptorText, "歌詞"},
      {id3Comment(1, "chi", kBomLe, kBomLe + utf16le("词")), Id3TextLayout::kLanguageDescriptorText,
       "词"},
      {id3Comment(3, "zho", "描述", "评论"), Id3TextLayout::kLanguageDescriptorText, "评论"},
      {std::string("\x00" "en", 3), Id3TextLayout::kLanguageDescriptorText, ""},
      {std::string("\x00" "engnoterminator", 15), Id3TextLayout::kLanguageDescriptorText, ""},
      // WXXX: the URL after the descriptor is Latin-1 whatever the encoding.
      {std::string("\x00", 1) + std::string("site\0http://a.example/", 22),
       Id3TextLayout::kDescriptorUrl, "http://a.example/"},
      {std::string("\x01", 1) + kBomLe + utf16le("d", true) + "http://b.example/",
       Id3TextLayout::kDescriptorUrl, "http://b.example/"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DecodeId3Text(c.content, c.layout), c.expected) << c.expected;
  }
}

TagInfo ReadV2(const std::string& bytes, bool* found = nullptr, ReadOptions options = {}) {
  TagInfo record;
  MemorySource source(bytes);
  const bool ok = ReadId3v2(source, record, options);
  if (found) *found = ok;
  return record;
}

TEST(TagsId3v2, FramesOfEveryVersion) {
  const std::vector<std::pair<std::string, std::string TagInfo::*>> fields34 = {
      {"TIT2", &TagInfo::title},    {"TPE1", &TagInfo::artist},  {"TALB", &TagInfo::album},
      {"TRCK", &TagInfo::track},    {"TYER", &TagInfo::year},    {"TCOM", &TagInfo::composer},
      {"TENC", &TagInfo::encoding}, {"TCOP", &TagInfo::rights},  {"TCON", &TagInfo::genre}};
  const std::vector<std::pair<std::string, std::string TagInfo::*>> fields22 = {
      {"TT2", &TagInfo::title},    {"TP1", &TagInfo::artist}, {"TAL", &TagInfo::album},
      {"TRK", &TagInfo::track},    {"TYE", &TagInfo::year},   {"TCM", &TagInfo::composer},
      {"TEN", &TagInfo::encoding}, {"TCR", &TagInfo::rights}, {"TCO", &TagInfo::genre}};
  for (unsigned major : {2u, 3u, 4u}) {
    const auto& fields = major == 2 ? fields22 : fields34;
    std::vector<Id3Frame> frames;
    for (const auto& [id, member] : fields) frames.push_back({id, id3Text(3, "v" + id)});
    frames.push_back({major == 2 ? "COM" : "COMM", id3Comment(0, "eng", "", "note")});
    frames.push_back({major == 2 ? "ULT" : "USLT", id3Comment(0, "chi", "", "词")});
    frames.push_back({major == 2 ? "WXX" : "WXXX", std::string("\0\0http://x.example/", 19)});
    frames.push_back({major == 2 ? "XYZ" : "PRIV", "ignored"});
    bool found = false;
    const TagInfo r = ReadV2(id3v2Tag(major, frames, testing::Id3TagOptions().padded(40)), &found);
    EXPECT_TRUE(found);
    for (const auto& [id, member] : fields) EXPECT_EQ(r.*member, "v" + id) << major;
    EXPECT_EQ(r.comment, "note") << major;
    EXPECT_EQ(r.lyrics, "词") << major;
    EXPECT_EQ(r.url, "http://x.example/") << major;
  }
}

TEST(TagsId3v2, HeaderAndSizes) {
  bool found = true;
  ReadV2("ID4\x03", &found);
  EXPECT_FALSE(found);
  ReadV2("", &found);
  EXPECT_FALSE(found);

  // Size bytes 00 01 1C 20 are 20000: the frames end at 20010; a 2.4 footer
  // (flag 0x10) adds ten bytes on disk that the frame walk must not read.
  struct Case {
    std::string head;
    std::uint64_t framesEnd;  // 0: not a header
    std::uint64_t totalSize;
  };
  const Case cases[] = {
      {std::string("ID3\x03\0\0\x00\x01\x1C\x20", 10), 20010, 20010},
      {std::string("ID3\x04\0\0\x00\x01\x1C\x20", 10), 20010, 20010},
      {std::string("ID3\x04\0\x10\x00\x01\x1C\x20", 10), 20010, 20020},
      {std::string("ID3\x04\0\x90\x00\x00\x00\x00", 10), 10, 20},
      {std::string("ID3\x03\0\x10\x00\x00\x00\x05", 10), 15, 15},  // no footer before 2.4
      {std::string("ID3\x04\0\0\x7F\x7F\x7F\x7F", 10), 268435465, 268435465},
      {std::string("ID3\x04\0\0\x00\x00\x00\x80", 10), 0, 0},  // not syncsafe
      {std::string("ID3\xFF\0\0\x00\x00\x00\x05", 10), 0, 0},
      {std::string("ID3\x04\xFF\0\x00\x00\x00\x05", 10), 0, 0},
      {std::string("ID3\x04\0\0\x00\x00\x00", 9), 0, 0},
      {"nothing here", 0, 0},
  };
  for (const auto& c : cases) {
    const auto tag = ParseId3v2Header(c.head);
    EXPECT_EQ(tag ? tag->framesEnd : 0, c.framesEnd) << ::testing::PrintToString(c.head);
    MemorySource source(c.head);
    EXPECT_EQ(Id3v2TotalSize(source), c.totalSize) << ::testing::PrintToString(c.head);
  }

  // A later frame of the same identifier replaces the earlier value.
  EXPECT_EQ(ReadV2(id3v2Tag(3, {{"TIT2", id3Text(0, "a")}, {"TIT2", id3Text(0, "b")}})).title, "b");
}

TEST(TagsId3v2, Version24FrameSizes) {
  const std::string longTitle(200, 'x');
  // Syncsafe: 200 is written 00 00 01 48 and must not be read as 328.
  TagInfo r = ReadV2(id3v2Tag(4, {{"TIT2", id3Text(0, longTitle)}, {"TPE1", id3Text(0, "A")}}));
  EXPECT_EQ(r.title, longTitle);
  EXPECT_EQ(r.artist, "A");
  // A tagger that wrote plain sizes into a 2.4 tag: the fallback finds it.
  r = ReadV2(id3v2Tag(4, {{"TIT2", id3Text(0, longTitle), 0, true},
                          {"TPE1", id3Text(0, "A"), 0, true}}));
  EXPECT_EQ(r.title, longTitle);
  EXPECT_EQ(r.artist, "A");
  // Sizes with a high bit set can only be plain.
  const std::string big(0x80 + 20, 'y');
  r = ReadV2(id3v2Tag(4, {{"TIT2", id3Text(0, big), 0, true}}, testing::Id3TagOptions().padded(10)));
  EXPECT_EQ(r.title, big);
}

TEST(TagsId3v2, UnsynchronisationAndExtendedHeader) {
  const std::string cover = "\xFF\xD8\xFF\xE0\xFF\x00\xFF\xFFtail";
  // 2.3 tag-level unsynchronisation.
  TagInfo r = ReadV2(id3v2Tag(3,
                              {{"TIT2", id3Text(1, kBomLe + utf16le("ÿ天"))},
                               {"APIC", id3Apic(0, "image/jpeg", 3, "", cover)},
                               {"TPE1", id3Text(0, "B")}},
                              testing::Id3TagOptions().unsynchronised()));
  EXPECT_EQ(r.title, "ÿ天");
  EXPECT_EQ(r.picture, cover);
  EXPECT_EQ(r.artist, "B");

  // 2.4 frame-level unsynchronisation (format flag 0x02) with a data length
  // indicator (0x01).
  const std::string apic = id3Apic(0, "image/jpeg", 3, "", cover);
  const std::string content = testing::syncsafeBytes(static_cast<std::uint32_t>(apic.size())) +
                              testing::unsynchronise(apic);
  r = ReadV2(id3v2Tag(4, {{"APIC", content, 0x0003}, {"TIT2", id3Text(0, "T")}}));
  EXPECT_EQ(r.picture, cover);
  EXPECT_EQ(r.title, "T");

  // Extended headers: 2.3 size excludes its four bytes, 2.4 includes them.
  r = ReadV2(id3v2Tag(3, {{"TIT2", id3Text(0, "E3")}},
                      testing::Id3TagOptions().extended(0x40, std::string("\0\0\0\x06\0\0\0\0\0\0", 10))));
  EXPECT_EQ(r.title, "E3");
  r = ReadV2(id3v2Tag(4, {{"TIT2", id3Text(0, "E4")}},
                      testing::Id3TagOptions().extended(0x40, std::string("\0\0\0\x06\x01\0", 6))));
  EXPECT_EQ(r.title, "E4");

  // Compressed or encrypted frames are skipped, not read as text.
  r = ReadV2(id3v2Tag(3, {{"TIT2", id3Text(0, "zz"), 0x0080}, {"TPE1", id3Text(0, "ok")}}));
  EXPECT_EQ(r.title, "");
  EXPECT_EQ(r.artist, "ok");
}

TEST(TagsId3v2, Pictures) {
  const std::string jpeg = testing::fakeJpeg(300);
  const std::string png = testing::fakePng(200);
  struct Case {
    std::string name;
    unsigned major;
    std::vector<Id3Frame> frames;
    std::string expected;
  } cases[] = {
      {"jpeg", 3, {{"APIC", id3Apic(0, "image/jpeg", 3, "", jpeg)}}, jpeg},
      {"png", 3, {{"APIC", id3Apic(0, "image/png", 3, "", png)}}, png},
      {"description", 3, {{"APIC", id3Apic(0, "image/jpeg", 3, "Cover of the album", jpeg)}}, jpeg},
      {"utf16 description", 4,
       {{"APIC", id3Apic(1, "image/jpeg", 3, kBomLe + utf16le("封面"), jpeg)}}, jpeg},
      {"odd mime", 3, {{"APIC", id3Apic(0, "image/jpg", 3, "", jpeg)}}, jpeg},
      {"front cover first", 3,
       {{"APIC", id3Apic(0, "image/png", 4, "", png)}, {"APIC", id3Apic(0, "image/jpeg", 3, "", jpeg)}},
       jpeg},
      {"else the first", 3,
       {{"APIC", id3Apic(0, "image/png", 4, "", png)}, {"APIC", id3Apic(0, "image/jpeg", 5, "", jpeg)}},
       png},
      {"pic 2.2", 2, {{"PIC", std::string("\0PNG\x03\0", 6) + png}}, png},
      {"no terminator", 3, {{"APIC", std::string("\0image/jpeg", 11)}}, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReadV2(id3v2Tag(c.major, c.frames)).picture, c.expected) << c.name;
  }
  // Skipped on request.
  EXPECT_EQ(ReadV2(id3v2Tag(3, cases[0].frames), nullptr, ReadOptions{false, true}).picture, "");
}

TEST(TagsId3v2, BrokenTags) {
  // A frame that runs past the tag ends the walk and keeps what came before.
  std::string tag = id3v2Tag(3, {{"TIT2", id3Text(0, "kept")}, {"TPE1", id3Text(0, "lost")}});
  tag[10 + 10 + 5 + 7] = '\x7F';  // TPE1 size byte
  TagInfo r = ReadV2(tag);
  EXPECT_EQ(r.title, "kept");
  EXPECT_EQ(r.artist, "");
  // Truncated file, tag size larger than the data, garbage identifiers.
  const std::string truncated = id3v2Tag(3, {{"TIT2", id3Text(0, "abcdef")}}).substr(0, 18);
  EXPECT_EQ(ReadV2(truncated).title, "");
  std::string huge = std::string("ID3\x03\0\0\x7F\x7F\x7F\x7F", 10) + id3Frame(3, {"TIT2", id3Text(0, "in")});
  EXPECT_EQ(ReadV2(huge).title, "in");
  EXPECT_EQ(ReadV2(id3v2Tag(3, {{"ti!2", id3Text(0, "x")}})).title, "");
  EXPECT_EQ(ReadV2(std::string("ID3\x05\0\0\0\0\0\x20", 10) + std::string(32, 'A')).title, "");
}

TagInfo ReadV1(const std::string& bytes, TagInfo record = {}) {
  MemorySource source(bytes);
  ReadId3v1(source, record);
  return record;
}

TEST(TagsId3v1, Fields) {
  const TagInfo r = ReadV1("audio" + id3v1Tag("  Title  ", "Artist", "Album", "1999", "Comment", 7, 17));
  EXPECT_EQ(r.title, "Title");
  EXPECT_EQ(r.artist, "Artist");
  EXPECT_EQ(r.album, "Album");
  EXPECT_EQ(r.year, "1999");
  EXPECT_EQ(r.comment, "Comment");
  EXPECT_EQ(r.track, "7");
  EXPECT_EQ(r.genre, "Rock");

  struct Case {
    std::string tag;
    std::string comment, track, genre;
  } cases[] = {
      // 30-byte comment (byte 125 not zero): comment whole, no track.
      {id3v1Tag("t", "", "", "", std::string(29, 'c') + "d", 0, 255), std::string(29, 'c') + "d",
       "", ""},
      {id3v1Tag("t", "", "", "", "c", 0, 0), "c", "", "Blues"},
      {id3v1Tag("t", "", "", "", "c", 0, 147), "c", "", "Synthpop"},
      {id3v1Tag("t", "", "", "", "c", 0, 148), "c", "", ""},
  };
  for (const auto& c : cases) {
    const TagInfo v = ReadV1(c.tag);
    EXPECT_EQ(v.comment, c.comment);
    EXPECT_EQ(v.track, c.track);
    EXPECT_EQ(v.genre, c.genre);
  }
  // Legacy Chinese text.
  EXPECT_EQ(ReadV1(id3v1Tag(utf8ToGb18030("天路"), "", "", "", "", 0, 255)).title, "天路");
  // Blank fields keep what other tags already stored.
  TagInfo before;
  before.artist = "from ID3v2";
  EXPECT_EQ(ReadV1(id3v1Tag("t", "", "", "", "", 0, 255), before).artist, "from ID3v2");
  // No tag, short data, broken magic.
  EXPECT_EQ(ReadV1("short").title, "");
  EXPECT_EQ(ReadV1("TAG" + std::string(124, 'x')).title, "");
  std::string broken = id3v1Tag("t", "", "", "", "", 0, 1);
  broken[0] = 'X';
  EXPECT_EQ(ReadV1(broken).title, "");
  const std::string v1 = id3v1Tag("t", "", "", "", "", 0, 1);
  MemorySource withTag(v1);
  EXPECT_EQ(Id3v1Size(withTag), 128u);
  MemorySource without(broken);
  EXPECT_EQ(Id3v1Size(without), 0u);
}

TEST(TagsId3v1, GenreTable) {
  const std::pair<unsigned, const char*> cases[] = {
      {0, "Blues"},          {1, "ClassicRock"}, {17, "Rock"},        {60, "Top40"},
      {67, "Psychadelic"},   {78, "Rock&Roll"},  {79, "HardRock"},    {92, "ProgessiveRock"},
      {127, "Drum&Bass"},    {144, "TrashMetal"}, {145, "Anime"},     {146, "JPop"},
      {147, "Synthpop"},     {148, ""},          {255, ""}};
  for (const auto& [index, name] : cases) EXPECT_EQ(Id3v1Genre(index), name) << index;
  for (unsigned i = 0; i < 148; ++i) {
    EXPECT_EQ(std::string(Id3v1Genre(i)).find(' '), std::string::npos) << i;
  }
}

}  // namespace
}  // namespace youran
