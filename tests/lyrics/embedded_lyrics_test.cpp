// Lyrics stored in audio files of each container, written by mutagen over
// ffmpeg's silence (make_embedded_fixtures.py), read as the player reads them.
#include "tags/embedded_lyrics.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "lyrics/lrc_document.h"
#include "support/temp_folder.h"

namespace youran {
namespace {

TEST(EmbeddedLyrics, EachContainer) {
  testing::TempFolder dir;
  if (testing::runCommand("/usr/bin/python3 -c 'import mutagen' 2>/dev/null") != 0 ||
      testing::runCommand("command -v ffmpeg >/dev/null") != 0) {
    GTEST_SKIP() << "needs ffmpeg and python3-mutagen";
  }
  ASSERT_EQ(testing::runCommand("/usr/bin/python3 " YOURAN_LYRICS_SOURCE "/make_embedded_fixtures.py " +
                                testing::shellQuote(dir.path().string())),
            0);
  const struct {
    const char* file;
    bool synced;  // else the unsynced text
  } cases[] = {
      {"uslt.mp3", true},     {"sylt.mp3", true},    {"lyrics.flac", true}, {"unsynced.ogg", false},
      {"lyrics.opus", true},  {"lyrics.m4a", true},  {"ape.mp3", true},
  };
  for (const auto& c : cases) {
    const std::string path = (dir / c.file).string();
    const auto text = ReadEmbeddedLyrics(path);
    ASSERT_TRUE(text.has_value()) << c.file;
    const LrcDocument doc = LrcDocument::parse(*text);
    if (c.synced) {
      ASSERT_EQ(doc.lines().size(), 2u) << c.file << ": " << *text;
      EXPECT_EQ(doc.lines()[0].timeMs, 1000) << c.file;
      EXPECT_EQ(doc.lines()[1].text, "第二句") << c.file;
      EXPECT_EQ(doc.lines()[1].timeMs, 2500) << c.file;
    } else {
      EXPECT_FALSE(doc.synced()) << c.file;
      EXPECT_EQ(doc.plainText(), "没有时间的歌词\n第二行") << c.file;
    }
  }
}

TEST(EmbeddedLyrics, SyltFrames) {
  using namespace std::string_literals;
  const struct {
    const char* name;
    std::string frame;
    std::string lrc;
  } cases[] = {
      {"lines in Latin-1", "\x00" "eng\x02\x01" "d\x00" "one\x00\x00\x00\x03\xE8" "two\x00\x00\x00\x07\xD0"s,
       "[00:01.00]one\n[00:02.00]two\n"},
      {"syllables, a break starting each line",
       "\x03" "eng\x02\x01\x00" "Hel\x00\x00\x00\x03\xE8" "lo\x00\x00\x00\x05\xDC" "\nBye\x00\x00\x00\x0B\xB8"s,
       "[00:01.00]<00:01.00>Hel<00:01.50>lo\n[00:03.00]<00:03.00>Bye\n"},
      {"UTF-16 with a mark", "\x01" "eng\x02\x01\xFF\xFE\x00\x00\xFF\xFE" "A\x00\x00\x00\x00\x00\x00\x64"s,
       "[00:00.10]A\n"},
      {"MPEG-frame timestamps are not read", "\x00" "eng\x01\x01\x00" "x\x00\x00\x00\x00\x01"s, ""},
      {"cut short", "\x00" "eng\x02\x01\x00" "x\x00\x00\x00"s, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(SyltToLrc(c.frame), c.lrc) << c.name;
}

}  // namespace
}  // namespace youran
