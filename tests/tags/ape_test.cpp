#include <gtest/gtest.h>

#include "support/tag_fixtures.h"
#include "support/temp_folder.h"
#include "tags/ape.h"
#include "tags/tag_reader.h"

namespace youran {
namespace {

using testing::apeItem;
using testing::apeTag;

TagInfo Read(const std::string& bytes, ReadOptions options = {}) {
  TagInfo record;
  record.trackAlt = "kept";
  record.url = "cleared";
  MemorySource source(bytes);
  ReadApe(source, record, options);
  return record;
}

TEST(TagsApe, Items) {
  const std::string cover = testing::fakeJpeg(400);
  const std::string tag = apeTag({
      apeItem("Title", "天路"), apeItem("Artist", "韩红"), apeItem("Album", "Al"),
      apeItem("Year", "2001"), apeItem("Copyright", "(c)"), apeItem("Comment", "co"),
      apeItem("Genre", "Pop"), apeItem("TRACK", "3"), apeItem("lyrics", "words"),
      apeItem("Cover Art (Front)", std::string("cover.jpg\0", 10) + cover, 2),
      // A value holding a key name must not be mistaken for an item.
      apeItem("Notes", std::string("Title\0bogus", 11)),
  }, true);
  for (const std::string& tail : {std::string(), testing::id3v1Tag("v1", "", "", "", "", 0, 1)}) {
    const TagInfo r = Read("audio" + tag + tail);
    EXPECT_EQ(r.title, "天路");
    EXPECT_EQ(r.artist, "韩红");
    EXPECT_EQ(r.album, "Al");
    EXPECT_EQ(r.year, "2001");
    EXPECT_EQ(r.rights, "(c)");
    EXPECT_EQ(r.comment, "co");
    EXPECT_EQ(r.genre, "Pop");
    EXPECT_EQ(r.track, "3");
    EXPECT_EQ(r.lyrics, "words");
    EXPECT_EQ(r.picture, cover);
    EXPECT_EQ(r.url, "");  // the record was cleared
    EXPECT_EQ(r.trackAlt, "kept");
  }
  EXPECT_EQ(Read("audio" + tag, ReadOptions{false, true}).picture, "");
}

TEST(TagsApe, CoverChoiceAndBrokenTags) {
  const std::string back = testing::fakePng(50);
  const std::string front = testing::fakeJpeg(60);
  EXPECT_EQ(Read(apeTag({apeItem("Cover Art (Back)", std::string("b.png\0", 6) + back, 2),
                         apeItem("Cover Art (Front)", std::string("f.jpg\0", 6) + front, 2)}))
                .picture,
            front);
  EXPECT_EQ(Read(apeTag({apeItem("Cover Art (Back)", std::string("b.png\0", 6) + back, 2)})).picture,
            back);

  // An item whose value size runs past the tag ends the walk; earlier items stay.
  std::string tag = apeTag({apeItem("Title", "ok"), apeItem("Artist", "lost")});
  const std::size_t artistAt = 4 + 4 + 6 + 2;
  tag[artistAt] = '\x7F';
  tag[artistAt + 1] = '\x7F';
  TagInfo r = Read(tag);
  EXPECT_EQ(r.title, "ok");
  EXPECT_EQ(r.artist, "");
  // Tag size larger than the file, or smaller than a footer.
  std::string oversize = apeTag({apeItem("Title", "x")});
  oversize[oversize.size() - 32 + 12] = '\x7F';
  oversize[oversize.size() - 32 + 15] = '\x7F';
  EXPECT_EQ(Read(oversize).title, "");
  std::string undersize = apeTag({apeItem("Title", "x")});
  undersize[undersize.size() - 32 + 12] = 4;
  undersize[undersize.size() - 32 + 13] = 0;
  EXPECT_EQ(Read(undersize).title, "");
  // Empty title stays empty; no key terminator ends the walk.
  EXPECT_EQ(Read(apeTag({apeItem("Title", "")})).title, "");
  EXPECT_EQ(Read(apeTag({std::string("\x01\0\0\0\0\0\0\0Title", 13)})).title, "");
}

TEST(TagsApe, MonkeysAudioHeader) {
  struct Case {
    std::string name;
    std::string header;
    std::string duration, rate, channels, encoding;
  } cases[] = {
      // 11 frames of 294912 blocks + 44100: 3244032 + 44100 = 3288132 blocks.
      {"3990", testing::macHeaderNew(3990, 294912, 44100, 12, 16, 2, 44100), "01:14", "44100",
       "立体声", "Monkey's Audio 3.99"},
      {"4000", testing::macHeaderNew(4000, 73728, 100, 1, 16, 1, 8000), "00:00", "8000", "单声道",
       "Monkey's Audio 4"},
      // Old layout: blocks per frame follow from the version and level.
      {"3970", testing::macHeaderOld(3970, 2000, 2, 44100, 2, 44100), "00:07", "44100", "立体声",
       "Monkey's Audio 3.97"},
      {"3920", testing::macHeaderOld(3920, 2000, 2, 44100, 2, 44100), "00:02", "44100", "立体声",
       "Monkey's Audio 3.92"},
      {"3800 extra high", testing::macHeaderOld(3800, 4000, 2, 44100, 2, 44100), "00:02", "44100",
       "立体声", "Monkey's Audio 3.8"},
      {"3800 normal", testing::macHeaderOld(3800, 2000, 2, 44100, 2, 44100), "00:01", "44100",
       "立体声", "Monkey's Audio 3.8"},
      // A zero sample rate divides nothing.
      {"zero rate", testing::macHeaderNew(3990, 294912, 1, 1, 16, 2, 0), "", "", "立体声",
       "Monkey's Audio 3.99"},
  };
  for (const auto& c : cases) {
    const std::string bytes = c.header + std::string(1000, '\x33');
    const TagInfo r = Read(bytes);
    EXPECT_EQ(r.duration, c.duration) << c.name;
    EXPECT_EQ(r.sampleRate, c.rate) << c.name;
    EXPECT_EQ(r.channels, c.channels) << c.name;
    EXPECT_EQ(r.encoding, c.encoding) << c.name;
    // After an ID3v2 tag as well.
    const TagInfo after = Read(testing::id3v2Tag(3, {}, testing::Id3TagOptions().padded(100)) + bytes);
    EXPECT_EQ(after.encoding, c.encoding) << c.name;
  }
  // A header cut short is no header.
  EXPECT_EQ(Read(testing::macHeaderNew(3990, 1, 1, 1, 16, 2, 1).substr(0, 60)).encoding, "");
}

TEST(TagsApe, Mp3DispatchOrder) {
  testing::TempFolder folder;
  const std::string frames = testing::mpegFrame(0xFFFB9000, 417) + testing::mpegFrame(0xFFFB9000, 417);
  const std::string ape = apeTag({apeItem("Title", "ape title"), apeItem("Album", "ape album"),
                                  apeItem("Artist", "ape artist")});
  struct Case {
    std::string name;
    std::string bytes;
    std::string title, artist, album, encoding;
  } cases[] = {
      // ID3v2 values replace APE values for the same fields.
      {"id3v2 over ape",
       testing::id3v2Tag(3, {{"TIT2", testing::id3Text(0, "v2 title")},
                             {"TENC", testing::id3Text(0, "LAME")}}) +
           frames + ape,
       "v2 title", "ape artist", "ape album", "MPEG 1 Layer III"},
      // An empty ID3v2 title falls back to ID3v1.
      {"empty v2 title",
       testing::id3v2Tag(3, {{"TIT2", testing::id3Text(0, "")}, {"TPE1", testing::id3Text(0, "v2")}}) +
           frames + testing::id3v1Tag("v1 title", "", "v1 album", "", "", 0, 255),
       "v1 title", "v2", "v1 album", "MPEG 1 Layer III"},
      // An empty APE title with no ID3v2 tag: ID3v1 again.
      {"empty ape title",
       frames + apeTag({apeItem("Title", ""), apeItem("Artist", "A")}) +
           testing::id3v1Tag("v1", "", "", "", "", 0, 255),
       "v1", "A", "", "MPEG 1 Layer III"},
      {"ape only", frames + ape, "ape title", "ape artist", "ape album", "MPEG 1 Layer III"},
  };
  for (const auto& c : cases) {
    const auto path = folder.write(c.name + ".mp3", c.bytes);
    TagInfo r;
    ASSERT_TRUE(ReadTags(path.string(), r)) << c.name;
    EXPECT_EQ(r.title, c.title) << c.name;
    EXPECT_EQ(r.artist, c.artist) << c.name;
    EXPECT_EQ(r.album, c.album) << c.name;
    EXPECT_EQ(r.encoding, c.encoding) << c.name;
  }
}

}  // namespace
}  // namespace youran
