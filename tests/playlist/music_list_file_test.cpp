#include "playlist/music_list_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "base/text_encoding.h"
#include "playlist/list_path.h"
#include "support/playlist_fixtures.h"
#include "support/temp_folder.h"

namespace youran {
namespace {

using testing::musicListBytes;
using testing::musicListLine;
using testing::TempFolder;

// Files the player writes itself load and save back byte for byte.
TEST(MusicListFile, RoundTripsByteForByte) {
  struct Case {
    const char* what;
    std::vector<std::string> lines;
    std::vector<TrackEntry> rows;
  };
  const std::vector<Case> cases = {
      {"empty list is the header alone", {}, {}},
      {"converted and unconverted rows",
       {musicListLine("/m/a.mp3", 1, "Artist-Title", "03:45", "真"),
        musicListLine("/m/b.flac", 2, "b", "", "")},
       {{"/m/a.mp3", "  1", "Artist-Title", "03:45", "真"}, {"/m/b.flac", "  2", "b", "", ""}}},
      {"a song from a search keeps its artist-title name before the pass reads it",
       {musicListLine("/c/晨光 - 林小雨.mp3", 1, "林小雨-晨光", "", "")},
       {{"/c/晨光 - 林小雨.mp3", "  1", "林小雨-晨光", "", ""}}},
      {"'|' in a path and in a name",
       {musicListLine("/m/AC|DC/Back|In Black.mp3", 1, "AC|DC-Back|In Black", "04:15", "真"),
        musicListLine("/m/x|y/z.mp3", 2, "z", "", ""),
        musicListLine("/m/p|  3|q.mp3", 3, "p|  3|q", "", "")},
       {{"/m/AC|DC/Back|In Black.mp3", "  1", "AC|DC-Back|In Black", "04:15", "真"},
        {"/m/x|y/z.mp3", "  2", "z", "", ""},
        {"/m/p|  3|q.mp3", "  3", "p|  3|q", "", ""}}},
      {"Chinese paths and names in GB18030",
       {musicListLine("/home/用户/音乐/周杰伦/晴天.mp3", 1, "周杰伦-晴天", "04:29", "真"),
        musicListLine("/home/用户/音乐/未转换的歌.ogg", 2, "未转换的歌", "", ""),
        musicListLine("/音乐/€ and 𝄞.mp3", 3, "€ and 𝄞", "", "")},
       {{"/home/用户/音乐/周杰伦/晴天.mp3", "  1", "周杰伦-晴天", "04:29", "真"},
        {"/home/用户/音乐/未转换的歌.ogg", "  2", "未转换的歌", "", ""},
        {"/音乐/€ and 𝄞.mp3", "  3", "€ and 𝄞", "", ""}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string bytes = musicListBytes(c.lines);
    TrackList list;
    auto load = parseMusicList(bytes, list);
    EXPECT_EQ(load.status, MusicListStatus::loaded);
    EXPECT_EQ(load.rowsAdded, c.rows.size());
    EXPECT_EQ(std::vector<TrackEntry>(list.rows().begin(), list.rows().end()), c.rows);
    EXPECT_TRUE(serializeMusicList(list) == bytes);
  }
}

TEST(MusicListFile, WritesGb18030WithCrLfBetweenLinesOnly) {
  TrackList list;
  list.addTrack("/音乐/晴天.mp3", "04:29", "周杰伦-晴天", "真");
  list.addTrack("/音乐/夜曲.mp3");
  std::string expected = utf8ToGb18030(
      "[音乐播放器列表文件]\r\n/音乐/晴天.mp3|  1|周杰伦-晴天|04:29|真\r\n/音乐/夜曲.mp3|  2|夜曲||");
  EXPECT_TRUE(serializeMusicList(list) == expected);
  EXPECT_TRUE(serializeMusicList(TrackList()) == utf8ToGb18030("[音乐播放器列表文件]"));
}

// A list is written out in pieces of about a megabyte: rows that straddle a
// piece, and a row longer than a whole piece, come out as the one-string
// encoding (checked against iconv) and load back unchanged.
TEST(MusicListFile, LargeListSavesInPiecesAndLoadsBack) {
  TempFolder folder;
  TrackList list;
  std::string utf8 = "[音乐播放器列表文件]";
  for (int i = 1; i <= 30000; ++i) {
    std::string path = "/音乐/歌手" + std::to_string(i % 97) + "/第" + std::to_string(i) + "首.mp3";
    std::string name = i == 12345 ? std::string(1500000, 'n') + "歌" : "歌手-歌曲" + std::to_string(i);
    list.addTrack(path, "03:21", name, "真");
    const auto& row = list.atIndex(list.size() - 1);
    utf8 += "\r\n" + row.path + "|" + row.number + "|" + row.name + "|03:21|真";
  }
  auto file = folder / "YRmDefaultList.dll";
  ASSERT_FALSE(saveMusicList(list, file).has_value());
  auto bytes = testing::readFile(file);
  EXPECT_TRUE(bytes == utf8ToGb18030(utf8));
  TrackList back;
  EXPECT_EQ(loadMusicList(file, back).status, MusicListStatus::loaded);
  ASSERT_EQ(back.size(), list.size());
  EXPECT_TRUE(std::equal(back.rows().begin(), back.rows().end(), list.rows().begin()));
}

// The file has no escapes, so a display name never carries a CR LF: not
// one made by the file-name rule (removing the dot of "\r.\n" joins them;
// found by the list fuzzer) and not one made from a tag with a line break.
TEST(MusicListFile, DisplayNamesNeverBreakARow) {
  TrackList list;
  list.addTrack("/m/odd\r.\nname.mp3");
  list.addTrack("/m/tagged.mp3");
  ASSERT_TRUE(list.setConverted(1, "/m/tagged.mp3", "Artist-Title\r\nsecond line", "03:00", "真"));
  EXPECT_EQ(list.atIndex(0).name, "odd name");
  EXPECT_EQ(list.atIndex(1).name, "Artist-Title second line");
  TrackList back;
  auto load = parseMusicList(serializeMusicList(list), back);
  EXPECT_EQ(load.linesSkipped, 0u);
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back.atIndex(0).path, "/m/odd\r.\nname.mp3");
  EXPECT_NE(serializeMusicList(list).find("%/m/odd%0D.%0Aname.mp3|"), std::string::npos);
  // A lone line break in a tag is a space too: LF alone ends a row now.
  ASSERT_TRUE(list.setConverted(1, "/m/tagged.mp3", "A\nB\rC", "03:00", "真"));
  EXPECT_EQ(list.atIndex(1).name, "A B C");
  EXPECT_EQ(back.atIndex(1).name, "Artist-Title second line");
  // Nor a hand-edited flag: "真" and a stray CR saved as the last row would
  // load back converted (found by the list fuzzer).
  TrackList edited;
  parseMusicList(utf8ToGb18030("[音乐播放器列表文件]\r\n/m/x.mp3|  1|X-Y|00:01|真\r\r\n"), edited);
  ASSERT_EQ(edited.size(), 1u);
  TrackList reloaded;
  parseMusicList(serializeMusicList(edited), reloaded);
  ASSERT_EQ(reloaded.size(), 1u);
  EXPECT_FALSE(edited.atIndex(0).converted());
  EXPECT_FALSE(reloaded.atIndex(0).converted());
}

TEST(MusicListFile, LoadedRowsFollowTheAddTrackRule) {
  std::string bytes = musicListBytes({
      "/m/first.mp3|  9|Kept-Name|01:02|真",
      "/m/second.mp3|  1|Named-Early|05:00|",    // not converted yet: its name stays
      "",                                        // blank line: skipped
      "/m/short.mp3|  3|only three",             // fewer than five fields: skipped
      "/m/third.mp3|007||00:01|假",              // no name: the file name shows
  });
  TrackList list;
  auto load = parseMusicList(bytes, list);
  EXPECT_EQ(load.status, MusicListStatus::loaded);
  EXPECT_EQ(load.rowsAdded, 3u);
  EXPECT_EQ(load.linesSkipped, 2u);
  EXPECT_TRUE(load.needsConversion);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list.atIndex(0), (TrackEntry{"/m/first.mp3", "  1", "Kept-Name", "01:02", "真"}));
  EXPECT_EQ(list.atIndex(1), (TrackEntry{"/m/second.mp3", "  2", "Named-Early", "05:00", ""}));
  EXPECT_EQ(list.atIndex(2), (TrackEntry{"/m/third.mp3", "  3", "third", "00:01", "假"}));
}

TEST(MusicListFile, AllConvertedListNeedsNoPass) {
  TrackList list;
  auto load = parseMusicList(musicListBytes({musicListLine("/m/a.mp3", 1, "A-B", "00:03", "真")}), list);
  EXPECT_FALSE(load.needsConversion);
  EXPECT_EQ(list.size(), 1u);
}

TEST(MusicListFile, RefusesAFileWithoutTheExactHeader) {
  const std::vector<std::string> bad = {
      utf8ToGb18030("[音乐播放器列表文件] \r\n/m/a.mp3|  1|a||"),  // trailing space
      utf8ToGb18030("[音乐播放器列表文件] \n/m/a.mp3|  1|a||"),    // trailing space, LF
      utf8ToGb18030("[音乐播放器列表文件]\r\r\n/m/a.mp3|  1|a||"),  // a stray CR
      "[\xe9\x9f\xb3\xe4\xb9\x90\xe6\x92\xad\xe6\x94\xbe\xe5\x99\xa8\xe5\x88\x97\xe8\xa1\xa8\xe6\x96\x87\xe4\xbb\xb6]",  // UTF-8
  };
  for (const auto& bytes : bad) {
    TrackList list;
    list.addTrack("/kept/row.mp3");
    auto load = parseMusicList(bytes, list);
    EXPECT_EQ(load.status, MusicListStatus::notAMusicList);
    EXPECT_EQ(load.rowsAdded, 0u);
    EXPECT_EQ(list.size(), 1u);
  }
  EXPECT_EQ(kMusicListLoadFailedNotice, "列表载入失败！");
}

TEST(MusicListFile, KeepsLinesThatAreNotGb18030) {
  std::string bytes = musicListBytes({musicListLine("/m/好.mp3", 1, "好", "", "")});
  bytes += "\r\n/m/\xe2\x82\xac.mp3|  2|x||";   // UTF-8 "€": its last byte starts no GB18030 pair
  bytes += "\r\n/m/\xff.mp3|  3|x||";            // neither: the path keeps its bytes
  TrackList list;
  auto load = parseMusicList(bytes, list);
  EXPECT_EQ(load.rowsAdded, 3u);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list.atIndex(0).path, "/m/好.mp3");
  EXPECT_EQ(list.atIndex(1).path, "/m/€.mp3");
  EXPECT_EQ(list.atIndex(2).path, "/m/\xff.mp3");
  // Saved and loaded again, the odd path is still those bytes.
  TrackList again;
  parseMusicList(serializeMusicList(list), again);
  ASSERT_EQ(again.size(), 3u);
  EXPECT_EQ(again.atIndex(2).path, "/m/\xff.mp3");
}

// LF (a Linux tool, a hand edit), CR LF and both mixed read as the same rows;
// a 0-byte file is an empty list.
TEST(MusicListFile, ReadsLfCrLfAndMixedLineEnds) {
  const std::string header = utf8ToGb18030("[音乐播放器列表文件]");
  const std::string a = utf8ToGb18030("/m/甲.mp3|  1|甲||");
  const std::string b = "/m/b.flac|  2|b|03:00|" + utf8ToGb18030("真");
  struct Case {
    const char* what;
    std::string bytes;
    size_t rows;
  };
  const std::vector<Case> cases = {
      {"CR LF", header + "\r\n" + a + "\r\n" + b, 2},
      {"LF", header + "\n" + a + "\n" + b, 2},
      {"LF after the last row", header + "\n" + a + "\n" + b + "\n", 2},
      {"mixed", header + "\n" + a + "\r\n" + b + "\r\n", 2},
      {"header alone, LF", header + "\n", 0},
      {"0 bytes", "", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TrackList list;
    auto load = parseMusicList(c.bytes, list);
    EXPECT_EQ(load.status, MusicListStatus::loaded);
    ASSERT_EQ(list.size(), c.rows);
    if (c.rows == 0) continue;
    EXPECT_EQ(list.atIndex(0).path, "/m/甲.mp3");
    EXPECT_EQ(list.atIndex(1), (TrackEntry{"/m/b.flac", "  2", "b", "03:00", "真"}));
  }
}

// Paths are the file system's bytes. A GBK name is written as those bytes
// (the file reads "你好.mp3"), comes back as its text and is found again on
// disk; bytes that are neither UTF-8 nor GB18030 travel escaped.
TEST(MusicListFile, KeepsPathsThatAreNotUtf8) {
  TempFolder folder;
  const std::string gbkName = "\xc4\xe3\xba\xc3.mp3";  // 你好.mp3 in GBK
  const std::string gbkPath = (folder / gbkName).native();
  folder.write(gbkName, "x");
  struct Case {
    const char* what;
    std::string path;
    std::string stored;  // the path field as written, GB18030
    std::string loaded;  // the path the row has after loading
  };
  const std::string dir = folder.path().native();
  const std::vector<Case> cases = {
      {"GBK", gbkPath, gbkPath, dir + "/你好.mp3"},
      {"neither", "/m/caf\xe9 100%.mp3", "%/m/caf%E9 100%25.mp3", "/m/caf\xe9 100%.mp3"},
      {"UTF-8 and a stray byte", "/m/歌\xff.mp3", utf8ToGb18030("%/m/歌%FF.mp3"), "/m/歌\xff.mp3"},
      {"starts with the escape mark", "%41.mp3", "%%2541.mp3", "%41.mp3"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TrackList list;
    list.addTrack(c.path);
    const std::string bytes = serializeMusicList(list);
    EXPECT_NE(bytes.find("\r\n" + c.stored + "|  1|"), std::string::npos);
    TrackList again;
    parseMusicList(bytes, again);
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again.atIndex(0).path, c.loaded);
    EXPECT_TRUE(isValidUtf8(again.atIndex(0).name));
  }
  EXPECT_EQ(fileNameDisplayName(gbkPath), "你好");
  EXPECT_EQ(resolveStoredPath(dir + "/你好.mp3"), gbkPath);
  EXPECT_EQ(resolveStoredPath(dir + "/不在.mp3"), dir + "/不在.mp3");
  folder.write("你好.mp3", "x");  // both exist: the text's own name wins
  EXPECT_EQ(resolveStoredPath(dir + "/你好.mp3"), dir + "/你好.mp3");
}

TEST(MusicListFile, SetsAsideAListItCannotRead) {
  TempFolder folder;
  auto file = folder / std::string(kMusicListFileName);
  folder.write(std::string(kMusicListFileName), "not a list");
  auto first = setAsideUnreadableList(file);
  ASSERT_TRUE(first.has_value());
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_EQ(testing::readFile(*first), "not a list");
  EXPECT_EQ(first->filename().string().rfind("YRmDefaultList.dll.unreadable-", 0), 0u);
  folder.write(std::string(kMusicListFileName), "again");  // same second: a second name
  auto second = setAsideUnreadableList(file);
  ASSERT_TRUE(second.has_value());
  EXPECT_NE(*first, *second);
  EXPECT_EQ(testing::readFile(*second), "again");
  EXPECT_FALSE(setAsideUnreadableList(folder / "none").has_value());
}

TEST(MusicListFile, SavesAndLoadsThroughTheFileSystem) {
  TempFolder folder;
  auto file = folder / std::string(kMusicListFileName);
  TrackList missing;
  EXPECT_EQ(loadMusicList(file, missing).status, MusicListStatus::missing);

  TrackList list;
  list.addTrack("/音乐/晴天.mp3", "04:29", "周杰伦-晴天", "真");
  ASSERT_FALSE(saveMusicList(list, file).has_value());
  TrackList again;
  auto load = loadMusicList(file, again);
  EXPECT_EQ(load.status, MusicListStatus::loaded);
  EXPECT_EQ(again.atIndex(0), list.atIndex(0));

  // A save that cannot be written says so; nothing is left behind.
  EXPECT_TRUE(saveMusicList(list, folder / "no-such-folder" / "list.dll").has_value());
  std::filesystem::create_directories(folder / "taken" / "inside");
  EXPECT_TRUE(saveMusicList(list, folder / "taken").has_value());
  EXPECT_TRUE(std::filesystem::is_directory(folder / "taken" / "inside"));
  size_t entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
    (void)entry;
    ++entries;
  }
  EXPECT_EQ(entries, 2u);  // the list file and "taken"
}

}  // namespace
}  // namespace youran
