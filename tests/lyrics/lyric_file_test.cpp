#include <gtest/gtest.h>

#include <string>

#include "lyrics/lyric_file.h"
#include "support/temp_folder.h"

namespace youran {
namespace {

using namespace std::string_literals;

TEST(LyricDecode, EncodingsLyricFilesComeIn) {
  struct Case {
    const char* name;
    std::string bytes;
    LyricEncoding encoding;
    std::string text;
  };
  const Case cases[] = {
      {"GBK", "[00:01.00]\xD6\xD0\xCE\xC4\r\n", LyricEncoding::gb18030, "[00:01.00]中文\r\n"},
      // U+20000 has only a four-byte GB18030 form, which GBK lacks.
      {"GB18030 four-byte", "[00:01.00]\x95\x32\x82\x36\r\n", LyricEncoding::gb18030, "[00:01.00]\xF0\xA0\x80\x80\r\n"},
      {"UTF-8", "[00:01.00]中文\r\n", LyricEncoding::utf8, "[00:01.00]中文\r\n"},
      {"UTF-8 with BOM", "\xEF\xBB\xBF[00:01.00]中文\r\n", LyricEncoding::utf8Bom, "[00:01.00]中文\r\n"},
      {"UTF-16LE with BOM", "\xFF\xFE[\0" "0\0:\0" "\x2D\x4E\r\0\n\0"s, LyricEncoding::utf16le, "[0:中\r\n"},
      {"UTF-16BE with BOM", "\xFE\xFF\0[\0" "0\0:\x4E\x2D\0\r\0\n"s, LyricEncoding::utf16be, "[0:中\r\n"},
      {"UTF-16LE without BOM", "[\0" "a\0]\0"s, LyricEncoding::utf16le, "[a]"},
      {"zero byte ends the text", "[00:01.00]one\r\n\0[00:02.00]two\r\n"s, LyricEncoding::utf8, "[00:01.00]one\r\n"},
      {"zero unit ends UTF-16", "\xFF\xFE" "a\0\0\0b\0"s, LyricEncoding::utf16le, "a"},
      {"zero byte before a broken tail", "[00:01.00]ok\0\xFF\xFE\xFD"s, LyricEncoding::utf8, "[00:01.00]ok"},
      {"empty", "", LyricEncoding::utf8, ""},
  };
  for (const auto& c : cases) {
    const DecodedLyric decoded = decodeLyricBytes(c.bytes);
    EXPECT_EQ(decoded.encoding, c.encoding) << c.name;
    EXPECT_EQ(decoded.text, c.text) << c.name;
  }
}

TEST(LyricDecode, ABrokenLineDoesNotLoseTheOthers) {
  // The second line is neither UTF-8 nor GB18030 (a lone lead byte at its end).
  const DecodedLyric decoded = decodeLyricBytes("[00:01.00]\xD6\xD0\r\n[00:02.00]x\x81\r\n[00:03.00]\xCE\xC4\r\n");
  EXPECT_EQ(decoded.encoding, LyricEncoding::gb18030);
  EXPECT_NE(decoded.text.find("[00:01.00]中\r\n"), std::string::npos);
  EXPECT_NE(decoded.text.find("[00:03.00]文\r\n"), std::string::npos);
  EXPECT_NE(decoded.text.find("[00:02.00]x"), std::string::npos);
}

TEST(LyricFile, PathStaysInTheLyricsFolder) {
  const std::filesystem::path folder = "/data";
  EXPECT_EQ(lyricFilePath(folder, "林小雨-晨光"), folder / "Lyrics" / "林小雨-晨光.lrc");
  for (const char* hostile : {"../../etc/passwd", "..", "a/b\\c", "/abs", "x\ny", ".", ""}) {
    const auto path = lyricFilePath(folder, hostile);
    EXPECT_EQ(path.parent_path(), folder / "Lyrics") << hostile;
    EXPECT_NE(path.filename(), "..") << hostile;
    EXPECT_EQ(path.extension(), ".lrc") << hostile;
  }
  const std::string longName(400, 'a');
  EXPECT_LE(lyricFilePath(folder, longName).filename().string().size(), 255u);
  // Cut on a character boundary: 100 three-byte characters do not fit.
  std::string wide;
  for (int i = 0; i < 100; ++i) wide += "歌";
  const std::string name = lyricFilePath(folder, wide).filename().string();
  EXPECT_LE(name.size(), 255u);
  EXPECT_EQ((name.size() - 4) % 3, 0u);
}

TEST(LyricFile, WriteIsGb18030AndReadsBack) {
  testing::TempFolder dir;
  std::filesystem::create_directories(dir / "Lyrics");
  const auto path = lyricFilePath(dir.path(), "歌手-歌名");
  ASSERT_FALSE(writeLyricFile(path, "[00:01.00]中文\r\n").has_value());
  EXPECT_EQ(testing::readFile(path), "[00:01.00]\xD6\xD0\xCE\xC4\r\n");
  const DecodedLyric back = readLyricFile(path);
  EXPECT_EQ(back.text, "[00:01.00]中文\r\n");

  // An empty answer leaves an empty file, replacing the old one.
  ASSERT_FALSE(writeLyricFile(path, "").has_value());
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(std::filesystem::file_size(path), 0u);
  EXPECT_EQ(readLyricFile(dir / "missing.lrc").text, "");

  // Without the Lyrics folder the write fails and says so.
  testing::TempFolder bare;
  EXPECT_TRUE(writeLyricFile(lyricFilePath(bare.path(), "a-b"), "x").has_value());
}

}  // namespace
}  // namespace youran
