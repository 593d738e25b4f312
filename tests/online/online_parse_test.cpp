// Answer parsing of the two services, the keyword encodings and the cache
// and download names.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "online/primary_service.h"
#include "online/secondary_service.h"
#include "online/song_cache.h"
#include "support/temp_folder.h"

namespace youran {
namespace {

TEST(PrimaryAnswers, SearchRowsAreNumberedAndUnquoted) {
  const std::string answer =
      R"({"result":{"songs":[{"name":"晨光","id":1001,"artists":[{"name":"林小雨"}]},)"
      R"({"name":"Say \"hi\"","id":22,"artists":[{"name":"A\\B"},{"name":"second"}]},)"
      R"({"name":"无歌手","id":3}]},"code":200})";
  const auto rows = parsePrimarySearch(answer);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].number, "1");
  EXPECT_EQ(rows[0].title, "晨光");
  EXPECT_EQ(rows[0].artist, "林小雨");
  EXPECT_EQ(rows[0].id, "1001");
  EXPECT_EQ(rows[1].number, "2");
  EXPECT_EQ(rows[1].title, "Say \"hi\"");
  EXPECT_EQ(rows[1].artist, "A\\B");
  EXPECT_EQ(rows[1].id, "22");
  EXPECT_EQ(rows[2].number, "3");
  EXPECT_EQ(rows[2].artist, "");
  EXPECT_EQ(firstSongId(answer), "1001");
}

TEST(PrimaryAnswers, AnswersWithoutSongsGiveNothing) {
  for (const char* answer : {"", "not json", R"({"result":{"songCount":0},"code":200})",
                             R"({"result":{"songs":{}}})", R"({"result":{"songs":[]}})", "[1,2", "null"}) {
    EXPECT_TRUE(parsePrimarySearch(answer).empty()) << answer;
    EXPECT_EQ(firstSongId(answer), "") << answer;
  }
}

TEST(PrimaryAnswers, LyricLinesAreCutAtBackslashN) {
  struct Case {
    const char* answer;
    const char* lrc;
  };
  const Case cases[] = {
      // Two lines, both closed by a backslash-n pair.
      {R"({"lrc":{"version":1,"lyric":"[00:01.00]A\n[00:02.00]B\n"},"tlyric":{"version":0,"lyric":""},)"
       R"("klyric":{"version":0,"lyric":""},"code":200})",
       "[00:01.00]A\r\n[00:02.00]B\r\n"},
      // The last line has no closing pair and is dropped.
      {R"({"lrc":{"version":1,"lyric":"[00:01.00]A\n[00:02.00]B"},"tlyric":{"version":0,"lyric":""},)"
       R"("klyric":{"version":0,"lyric":""},"code":200})",
       "[00:01.00]A\r\n"},
      // Blank lines hold no "[" and are not kept; the klyric part is cut.
      {R"({"lrc":{"version":1,"lyric":"[00:01.00]A\n\n"},"tlyric":{"version":0,"lyric":""},)"
       R"("klyric":{"version":2,"lyric":"[00:09.00]K\n"},"code":200})",
       "[00:01.00]A\r\n"},
      // A translation before the cut is kept, in answer order.
      {R"({"lrc":{"version":1,"lyric":"[00:01.00]A\n"},"tlyric":{"version":3,"lyric":"[00:01.00]甲\n"},)"
       R"("klyric":{"version":0,"lyric":""},"code":200})",
       "[00:01.00]A\r\n[00:01.00]甲\r\n"},
      // tlyric exactly 0: nothing is cut, the klyric line stays.
      {R"({"lrc":{"lyric":"[00:01.00]A\n"},"tlyric":0,"klyric":{"version":1,"lyric":"[00:05.00]K\n"},"code":200})",
       "[00:01.00]A\r\n[00:05.00]K\r\n"},
      {R"({"nolyric":true,"code":200})", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(cutLyric(c.answer), c.lrc) << c.answer;
}

TEST(PrimaryAnswers, MarkersCutCoverAndPlayUrls) {
  EXPECT_EQ(cutCoverUrl(R"({"album":{"blurPicUrl":"http://h/p.jpg","companyId":0}})"), "http://h/p.jpg");
  EXPECT_EQ(cutCoverUrl(R"({"album":{"picUrl":"http://h/p.jpg"}})"), "");
  EXPECT_EQ(cutPlayUrl(R"({"data":[{"id":1,"url":"http://h/s.mp3","br":320000}]})"), "http://h/s.mp3");
  EXPECT_EQ(cutPlayUrl(R"({"data":[{"id":1,"url":null,"br":0}]})"), "");
}

TEST(Keywords, PrimaryKeywordIsPercentEncoded) {
  EXPECT_EQ(primarySearchPath("a&b#c+d e"), "/api/search/pc?s=a%26b%23c%2Bd%20e&type=1");
  EXPECT_EQ(primarySearchPath("晨光"), "/api/search/pc?s=%E6%99%A8%E5%85%89&type=1");
  EXPECT_EQ(primaryLyricPath("7"), "/api/song/lyric?os=pc&id=7&lv=-1&kv=-1&tv=-1");
  EXPECT_EQ(primaryDetailPath("7"), "/api/song/detail/?id=7&ids=%5B7%5D");
  EXPECT_EQ(primaryPlayUrlPath("7"), "/api/song/enhance/player/url?id=7&ids=[7]&br=3200000");
}

TEST(Keywords, SecondaryPaths) {
  EXPECT_EQ(secondarySearchPath("0", "%61%62"),
            "/soso/fcgi-bin/client_search_cp?ct=24&qqmusic_ver=1298&new_json=1&remoteplace=txt.yqq.center"
            "&searchid=47333670699582939&t=0&aggr=1&cr=1&catZhida=1&lossless=0&flag_qc=0&p=0&n=20&w=%61%62");
  EXPECT_EQ(secondaryPagePath("m1"), "/v8/playsong.html?ADTAG=newyqq.song&songmid=m1#webchat_redirect");
}

TEST(SecondaryAnswers, JsonpIsUnwrapped) {
  EXPECT_EQ(unwrapJsonp(R"(callback({"a":{"b":1}}))"), R"({"a":{"b":1}})");
  EXPECT_EQ(unwrapJsonp(R"({"a":1})"), "");
  EXPECT_EQ(unwrapJsonp("callback(oops"), "");
  EXPECT_TRUE(parseSecondarySearch(R"({"data":{"song":{"list":[{"title":"x"}]}}})").empty());
}

TEST(SecondaryAnswers, OnlyEntriesTheListHasAreRead) {
  std::string list;
  for (int i = 0; i < 3; ++i) {
    if (i) list += ",";
    list += R"({"title":"T)" + std::to_string(i) + R"(","mid":"m)" + std::to_string(i) +
            R"(","singer":[{"name":"S"},{"name":"Z"}],"album":{"name":"A"}})";
  }
  auto entries = parseSecondarySearch(R"(callback({"code":0,"data":{"song":{"list":[)" + list + "]}}})");
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[2].title, "T2");
  EXPECT_EQ(entries[2].singer, "S");
  EXPECT_EQ(entries[2].album, "A");
  EXPECT_EQ(entries[2].mid, "m2");

  std::string twelve;
  for (int i = 0; i < 12; ++i) twelve += std::string(i ? "," : "") + R"({"title":"t","mid":"m"})";
  EXPECT_EQ(parseSecondarySearch(R"(callback({"data":{"song":{"list":[)" + twelve + "]}}})").size(), 10u);
}

TEST(SecondaryAnswers, StreamUrlIsCutFromThePage) {
  EXPECT_EQ(cutStreamUrl(R"(<script>var x={"m4aUrl":"http://h/a.m4a","title":"t"}</script>)"), "http://h/a.m4a");
  EXPECT_EQ(cutStreamUrl("<html>no url</html>"), "");
}

TEST(SongCache, NamesFollowTheTwoRulesAndStayInside) {
  const std::filesystem::path data = "/data";
  EXPECT_EQ(primaryCacheFile(data, "晨光", "林小雨"), data / "YouranMusicCache" / "晨光-林小雨.mp3");
  EXPECT_EQ(secondaryCacheFile(data, "晨光", "林小雨"), data / "YouranMusicCache" / "晨光 - 林小雨.mp3");
  for (const char* hostile : {"../../x", "a/b", "..", "/etc/passwd", "a\\b"}) {
    for (const auto& file : {primaryCacheFile(data, hostile, ""), secondaryCacheFile(data, "..", hostile)}) {
      EXPECT_EQ(file.parent_path(), data / "YouranMusicCache") << hostile;
      EXPECT_EQ(file.extension(), ".mp3");
    }
  }
  EXPECT_TRUE(acceptablePlayUrl("http://h/a"));
  EXPECT_TRUE(acceptablePlayUrl("https://h/a"));
  for (const char* url : {"", "ftp://h/a", "file:///etc/passwd", "xhttp://h", "javascript:x"})
    EXPECT_FALSE(acceptablePlayUrl(url)) << url;
}

TEST(SongCache, CachedFileIsUsedAndOddUrlsAddNothing) {
  testing::TempFolder temp;
  const auto file = primaryCacheFile(temp.path(), "t", "a");
  CacheProgress progress;
  EXPECT_EQ(fetchIntoCache({"file:///etc/passwd", file, {}, nullptr}, progress), CacheOutcome::kNoUrl);
  EXPECT_TRUE(std::filesystem::is_directory(file.parent_path()));
  EXPECT_FALSE(std::filesystem::exists(file));
  std::ofstream(file) << "song";
  // No request is made for a file already there: the URL does not resolve.
  EXPECT_EQ(fetchIntoCache({"http://invalid.invalid/x", file, {}, nullptr}, progress), CacheOutcome::kCached);
}

TEST(DownloadCopy, FolderTextIsUsedAsItIs) {
  testing::TempFolder temp;
  const auto source = temp.path() / "src.flac";
  std::ofstream(source) << "bytes";
  const auto folder = temp.path() / "down";
  std::filesystem::create_directories(folder);
  std::filesystem::path written;
  ASSERT_TRUE(copyTrackForDownload(source, folder.string() + "/", "A-B", &written));
  EXPECT_EQ(written, folder / "A-B.mp3");
  // Without a trailing separator the copy lands beside the folder.
  ASSERT_TRUE(copyTrackForDownload(source, folder.string(), "A-B", &written));
  EXPECT_EQ(written, temp.path() / "downA-B.mp3");
  EXPECT_TRUE(std::filesystem::exists(temp.path() / "downA-B.mp3"));
  // A hostile name stays in the folder.
  ASSERT_TRUE(copyTrackForDownload(source, folder.string() + "/", "../../evil", &written));
  EXPECT_EQ(written.parent_path(), folder);
  EXPECT_FALSE(copyTrackForDownload(source, "", "A-B"));
  EXPECT_FALSE(copyTrackForDownload(temp.path() / "missing", folder.string() + "/", "A-B"));
  EXPECT_FALSE(copyTrackForDownload(source, (temp.path() / "no" / "such").string() + "/", "A-B"));
}

}  // namespace
}  // namespace youran
