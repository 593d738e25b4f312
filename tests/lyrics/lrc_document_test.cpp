#include "lyrics/lrc_document.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "lyrics/lyric_file.h"
#include "lyrics/lyric_sync.h"

namespace youran {
namespace {

struct Timed {
  int64_t ms;
  std::string text;
  std::string translation = {};
};

struct FixtureCase {
  const char* file;
  std::vector<Timed> expected;  // in time order, the offset applied
};

std::string readFixture(const char* name) {
  return readLyricFile(std::filesystem::path(YOURAN_LYRICS_DATA) / name).text;
}

// Each tag's line from 50 ms after it, the previous one until 50 ms before it.
TEST(LrcDocument, EveryTagSwitchesOnTime) {
  const std::vector<FixtureCase> cases = {
      {"repeated.lrc",
       {{1000, "Verse one begins"}, {3500, "Did I lose my love"}, {5000, ""}, {6100, "Chorus line two"},
        {8750, "Verse two"}, {10400, ""}, {12250, "Did I lose my love"}, {14000, "Chorus line two"},
        {16300, "The end"}}},
      {"offset_forms.lrc",
       {{1500, "early by half a second"}, {3500, "second line"}, {6000, "single-digit minutes"},
        {7700, "colon centiseconds"}, {9625, "milliseconds"}, {11500, "no fraction"}}},
      {"translated.lrc",
       {{1000, "你好世界", "Hello world"}, {4000, "第二行", "Second line"}, {7000, "第三行", "Third line"}}},
      {"karaoke.lrc", {{1000, "你好世界"}, {6000, "Word by word"}, {9000, "plain line"}}},
  };
  for (const auto& c : cases) {
    const LrcDocument doc = LrcDocument::parse(readFixture(c.file));
    ASSERT_EQ(doc.lines().size(), c.expected.size()) << c.file;
    for (size_t i = 0; i < c.expected.size(); ++i) {
      const Timed& e = c.expected[i];
      const LrcMoment after = doc.at(e.ms + 50);
      ASSERT_GE(after.index, 0) << c.file << " " << e.ms;
      const LrcLine& line = doc.lines()[static_cast<size_t>(after.index)];
      EXPECT_EQ(line.text, e.text) << c.file << " +50 ms after " << e.ms;
      EXPECT_EQ(line.translation, e.translation) << c.file << " " << e.ms;
      EXPECT_EQ(after.startMs, e.ms) << c.file;
      const LrcMoment before = doc.at(e.ms - 50);
      if (i == 0) {
        EXPECT_EQ(before.index, -1) << c.file;
      } else {
        ASSERT_GE(before.index, 0) << c.file << " " << e.ms;
        EXPECT_EQ(doc.lines()[static_cast<size_t>(before.index)].text, c.expected[i - 1].text)
            << c.file << " 50 ms before " << e.ms;
      }
      EXPECT_EQ(doc.nextChangeMs(e.ms - 1), e.ms) << c.file;
    }
  }
}

TEST(LrcDocument, ThirdLineOfATimeIsTheRomanisation) {
  const LrcDocument doc = LrcDocument::parse(readFixture("translated.lrc"));
  EXPECT_EQ(doc.lines()[0].romanization, "ni hao shi jie");
  EXPECT_EQ(doc.lines()[1].romanization, "");
}

TEST(LrcDocument, TimeForms) {
  const struct {
    const char* tag;
    int64_t ms;
  } cases[] = {
      {"01:02.34", 62340}, {"01:02:34", 62340}, {"1:02", 62000}, {"01:02.345", 62345}, {"100:00.00", 6000000},
      {"01:02.3", 62300},  {"ti:x", -1},        {"01:75", -1},   {"01:02.", -1},      {"offset:500", -1},
      {"", -1},            {"01:02x", -1},
  };
  for (const auto& c : cases) EXPECT_EQ(parseLrcTime(c.tag), c.ms) << c.tag;
}

TEST(LrcDocument, WordTagsTimeTheSweep) {
  const LrcDocument doc = LrcDocument::parse(readFixture("karaoke.lrc"));
  const LrcLine& line = doc.lines()[0];
  ASSERT_EQ(line.words.size(), 3u);
  EXPECT_EQ(line.words[2].text, "世界");
  EXPECT_EQ(line.wordsEndMs, 5000);
  const struct {
    int64_t at;
    int word;
    double fraction;
  } cases[] = {{1000, 0, 0.0}, {1500, 0, 0.5}, {2000, 1, 0.0}, {2750, 1, 0.5}, {4250, 2, 0.5}, {5500, 2, 1.0}};
  for (const auto& c : cases) {
    const LrcMoment m = doc.at(c.at);
    EXPECT_EQ(m.word, c.word) << c.at;
    EXPECT_DOUBLE_EQ(m.wordFraction, c.fraction) << c.at;
  }
  // By characters: 你 and 好 are 3 bytes each, 世界 6.
  EXPECT_EQ(LrcDocument::progress(line, doc.at(2750), 2750), 37);
  // The last word of a line without a closing tag ends with the next line.
  EXPECT_EQ(doc.at(8000).word, 2);
  EXPECT_DOUBLE_EQ(doc.at(8000).wordFraction, 0.5);
  // A line without word tags sweeps over its span.
  EXPECT_EQ(LrcDocument::progress(doc.lines()[2], doc.at(11000), 11000, 4000), 50);
}

TEST(LrcDocument, UntimedTextIsAPlainBlock) {
  const LrcDocument doc = LrcDocument::parse("[ti:Song]\r\nFirst line\r\n\r\nSecond line\r\n");
  EXPECT_FALSE(doc.synced());
  EXPECT_EQ(doc.plainText(), "First line\nSecond line");
  EXPECT_EQ(doc.at(5000).index, -1);
}

TEST(LrcDocument, OffsetIsWrittenInPlaceOrOnTop) {
  const struct {
    const char* in;
    int64_t offset;
    const char* out;
  } cases[] = {
      {"[ti:x]\r\n[00:01.00]a\r\n", 500, "[offset:500]\r\n[ti:x]\r\n[00:01.00]a\r\n"},
      {"[offset:+500]\n[00:01.00]a\n", -250, "[offset:-250]\n[00:01.00]a\n"},
      {"[offset:500]\n[00:01.00]a\n", 0, "[00:01.00]a\n"},
      // Lines ended by CR alone: the rest of the file is not the offset's line.
      {"[offset:100]\r[00:01.00]a\r", 300, "[offset:300]\r[00:01.00]a\r"},
  };
  for (const auto& c : cases) {
    const std::string out = withLrcOffset(c.in, c.offset);
    EXPECT_EQ(out, c.out) << c.in;
    EXPECT_EQ(LrcDocument::parse(out).offsetMs(), c.offset);
    EXPECT_EQ(LrcDocument::parse(out).lines().size(), 1u) << c.in;
  }
  EXPECT_EQ(LrcDocument::parse("[offset:99999999999999999999]\n[00:01.00]a\n").offsetMs(), 0) << "out of range";
}

TEST(LyricSyncTick, TheThreeMessagesAndTheHeldLine) {
  LyricSync sync;
  // No lyric at all: the notice, and the big label is left alone.
  auto shown = sync.tick(1000, "歌手-歌名");
  EXPECT_EQ(shown.desktopText, "暂无 歌手-歌名的歌词");
  EXPECT_FALSE(shown.showInBigLabel);

  // A lyric whose first tag is not yet reached, at program start: the name.
  sync.setLyricText("[ti:x]\r\n[00:03.00]three\r\n[00:06.00]six\r\n");
  shown = sync.tick(0, "歌手-歌名");
  EXPECT_EQ(shown.desktopText, "歌手-歌名");
  EXPECT_FALSE(shown.showInBigLabel);

  shown = sync.tick(3000, "歌手-歌名");
  EXPECT_EQ(shown.desktopText, "three");
  EXPECT_TRUE(shown.showInBigLabel);
  EXPECT_EQ(shown.moment.startMs, 3000);
  EXPECT_EQ(shown.moment.endMs, 6000);
  EXPECT_EQ(sync.nextChangeMs(3000), 6000);

  // The next track, its first tag not reached yet: the previous track's line
  // stays, without a sweep.
  sync.setLyricText("[00:10.00]ten\r\n");
  shown = sync.tick(1000, "其他-歌");
  EXPECT_EQ(shown.desktopText, "three");
  EXPECT_EQ(shown.lineIndex, -1);
  EXPECT_EQ(sync.heldLine(), "three");

  // A track without a lyric shows the notice even with a held line.
  sync.setLyricText("");
  EXPECT_EQ(sync.tick(10000, "无词").desktopText, "暂无 无词的歌词");
  EXPECT_EQ(sync.heldLine(), "three");

  // An unsynced lyric: its first line on the desktop, the block for the page.
  sync.setLyricText("Line one\nLine two\n");
  shown = sync.tick(500, "x");
  EXPECT_EQ(shown.desktopText, "Line one");
  EXPECT_EQ(shown.staticBlock, "Line one\nLine two");
}

}  // namespace
}  // namespace youran
