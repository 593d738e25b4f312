#include <gtest/gtest.h>

#include "support/tag_fixtures.h"
#include "support/temp_folder.h"
#include "tags/tag_reader.h"

namespace youran {
namespace {

TEST(TagsFormatSeconds, Table) {
  const std::pair<long long, const char*> cases[] = {
      {0, "00:00"}, {59, "00:59"}, {60, "01:00"}, {600, "10:00"}, {3725, "62:05"}, {-5, "00:00"}};
  for (const auto& [seconds, text] : cases) EXPECT_EQ(FormatSeconds(seconds), text) << seconds;
}

TEST(TagsPathPart, Modes) {
  struct Case {
    const char* path;
    int mode;
    const char* expected;
  } cases[] = {
      {"/music/韩红/天路.mp3", 1, "天路"},
      {"/music/韩红/天路.mp3", 2, "天路.mp3"},
      {"/music/韩红/天路.mp3", 3, "mp3"},
      {"/music/韩红/天路.mp3", 4, "/music/韩红"},
      {"/music/韩红/天路.mp3", 5, "韩红"},
      {"/music/a.b.flac", 1, "a.b"},
      {"/music/a.b.flac", 3, "flac"},
      // A dot in a folder name is no extension of the file.
      {"/music.old/noext", 3, ""},
      {"/music.old/noext", 1, "noext"},
      {"song.ogg", 4, ""},
      {"http://host.example/x/song.mp3?auth=1.2", 6, "mp3"},
      {"http://host.example/x/song.m4a", 6, "m4a"},
      {"http://host.example/x/song", 6, ""},
      {"/a/b.mp3", 7, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PathPart(c.path, c.mode), c.expected) << c.path << " mode " << c.mode;
  }
}

TEST(TagsDisplayName, ConversionRule) {
  struct Case {
    const char* artist;
    const char* title;
    const char* fileName;
    const char* display;
    const char* left;
    const char* right;
  } cases[] = {
      {"韩红", "天路", "x", "韩红-天路", "韩红", "天路"},
      {"", "天路", "x", "未知歌手-天路", "未知歌手", "天路"},
      {"韩红", "", "x", "韩红-未知歌名", "韩红", "未知歌名"},
      {"", "", "01 . 天路 .live", "01 天路live", "01 天路live", ""},
      {"", "", "plain", "plain", "plain", ""},
  };
  for (const auto& c : cases) {
    TagInfo tags;
    tags.artist = c.artist;
    tags.title = c.title;
    const ConversionNames names = ConversionTitleParts(tags, c.fileName);
    EXPECT_EQ(names.displayName, c.display);
    EXPECT_EQ(names.left, c.left);
    EXPECT_EQ(names.right, c.right);
    EXPECT_EQ(ConversionDisplayName(tags, c.fileName), c.display);
  }
  ConversionNames names{"韩红-天路", "韩红", "天路"};
  EXPECT_EQ(ConversionWindowTitle(names, false), "正在转换列表： 韩红-天路");
  EXPECT_EQ(ConversionWindowTitle(names, true), "悠然音乐 6     正在转换列表： 韩红-天路");
}

TEST(TagsDispatch, ExtensionTable) {
  const std::pair<const char*, TagFormat> cases[] = {
      {"a.mp3", TagFormat::kMp3},  {"a.MP3", TagFormat::kMp3},   {"a.Wma", TagFormat::kWma},
      {"a.ape", TagFormat::kApe},  {"a.aac", TagFormat::kApe},   {"a.wav", TagFormat::kApe},
      {"a.ogg", TagFormat::kOgg},  {"a.OGA", TagFormat::kOgg},   {"a.flac", TagFormat::kFlac},
      {"a.fla", TagFormat::kFlac}, {"a.m4a", TagFormat::kUnknown}, {"a.mp4", TagFormat::kUnknown},
      {"a", TagFormat::kUnknown},  {"a.mp3.txt", TagFormat::kUnknown},
  };
  for (const auto& [path, format] : cases) EXPECT_EQ(TagFormatForPath(path), format) << path;
}

TEST(TagsDispatch, HandledResultAndM4aRule) {
  testing::TempFolder folder;
  const std::string m4a =
      testing::mp4File({testing::mp4Item("\xA9nam", 1, "Song"), testing::mp4Item("\xA9" "ART", 1, "Band")});
  const auto upper = folder.write("x.M4A", m4a);
  const auto mp4 = folder.write("x.mp4", m4a);
  const auto txt = folder.write("x.txt", "hello");

  TagInfo record;
  record.title = "kept";
  EXPECT_FALSE(ReadTags(txt.string(), record));
  EXPECT_EQ(record.title, "kept");
  EXPECT_FALSE(ReadTags(mp4.string(), record));

  // Missing files of a handled kind count as handled and change nothing.
  EXPECT_TRUE(ReadTags((folder / "missing.mp3").string(), record));
  EXPECT_EQ(record.title, "kept");

  TagInfo viaRule;
  EXPECT_TRUE(ReadTagsForConversion(upper.string(), viaRule));
  EXPECT_EQ(viaRule.title, "Song");
  EXPECT_EQ(viaRule.artist, "Band");

  TagInfo mp4Rule;
  EXPECT_FALSE(ReadTagsForConversion(mp4.string(), mp4Rule));
  EXPECT_TRUE(mp4Rule.title.empty());
}

TEST(TagsDispatch, ConversionSkipsPictureAndStream) {
  testing::TempFolder folder;
  const std::string cover = testing::fakeJpeg(50000);
  const std::string bytes =
      testing::id3v2Tag(3, {{"TIT2", testing::id3Text(0, "T")},
                            {"APIC", testing::id3Apic(0, "image/jpeg", 3, "", cover)}}) +
      testing::mpegFrame(0xFFFB9000, 417) + testing::mpegFrame(0xFFFB9000, 417);
  const auto path = folder.write("a.mp3", bytes);
  TagInfo full;
  ASSERT_TRUE(ReadTags(path.string(), full));
  EXPECT_EQ(full.picture, cover);
  EXPECT_EQ(full.bitrate, "128");

  TagInfo quick;
  ASSERT_TRUE(ReadTagsForConversion(path.string(), quick));
  EXPECT_EQ(quick.title, "T");
  EXPECT_TRUE(quick.picture.empty());
  EXPECT_TRUE(quick.bitrate.empty());

  // Skipping is a seek: the picture's bytes are never fetched.
  auto source = FileSource::open(path.string());
  ASSERT_TRUE(source);
  TagInfo counted;
  ReadTagsFrom(TagFormat::kMp3, *source, counted, ReadOptions{false, false});
  EXPECT_LT(source->bytesRead(), bytes.size());
}

TEST(TagsByteSource, FileReadsMatchMemory) {
  testing::TempFolder folder;
  std::string bytes;
  for (int i = 0; i < 30000; ++i) bytes += static_cast<char>(i * 31);
  const auto path = folder.write("data.bin", bytes);
  auto file = FileSource::open(path.string());
  ASSERT_TRUE(file);
  MemorySource memory(bytes);
  const std::pair<std::uint64_t, std::size_t> reads[] = {
      {0, 10}, {5, 9000}, {29990, 100}, {29000, 10}, {12000, 20000}, {30000, 4}, {40000, 1}, {8190, 4}};
  for (const auto& [offset, count] : reads) {
    EXPECT_EQ(std::string(file->peek(offset, count)), std::string(memory.peek(offset, count)))
        << offset << "+" << count;
    EXPECT_EQ(file->read(offset, count), memory.read(offset, count)) << offset << "+" << count;
  }
  EXPECT_FALSE(FileSource::open(folder.path().string()));  // a folder is no file
  EXPECT_FALSE(FileSource::open((folder / "none").string()));
}

}  // namespace
}  // namespace youran
