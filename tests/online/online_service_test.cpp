// The services against the demo service and, for what goes on the wire,
// against the loopback test server.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "demo_service.h"
#include "online/primary_service.h"
#include "online/secondary_service.h"
#include "online/song_cache.h"
#include "support/http_test_server.h"
#include "support/temp_folder.h"

namespace youran {
namespace {

namespace fs = std::filesystem;

class DemoServiceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    temp_ = new testing::TempFolder;
    const auto library = testing::makeDemoLibrary(temp_->path() / "library");
    service_ = new testing::DemoService(library, {"大文件=2"});
  }
  static void TearDownTestSuite() {
    delete service_;
    delete temp_;
  }
  void SetUp() override {
    ASSERT_TRUE(service_->ok());
    ASSERT_TRUE(service_->control("none", 0));
  }
  static OnlineHosts hosts() { return service_->hosts(); }
  static testing::TempFolder* temp_;
  static testing::DemoService* service_;
};
testing::TempFolder* DemoServiceTest::temp_ = nullptr;
testing::DemoService* DemoServiceTest::service_ = nullptr;

TEST_F(DemoServiceTest, PrimarySearchLyricAndCover) {
  PrimaryService primary(hosts());
  const auto rows = primary.search("Demo Band");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].number, "1");
  EXPECT_EQ(rows[1].number, "2");
  EXPECT_EQ(rows[0].artist, "Demo Band");
  EXPECT_FALSE(rows[0].id.empty());

  const std::string lrc = primary.fetchLyric("林小雨-晨光");
  EXPECT_EQ(lrc.rfind("[00:00.00]晨光 - 林小雨\r\n", 0), 0u) << lrc;
  EXPECT_EQ(lrc.find("\\n"), std::string::npos);
  EXPECT_EQ(primary.fetchLyric("没有这首歌的名字"), "");

  const std::string cover = primary.fetchCover("林小雨-晨光");
  EXPECT_EQ(cover.substr(0, 4), "\x89PNG");
  EXPECT_EQ(primary.fetchCover("没有这首歌的名字"), "");
  EXPECT_EQ(primary.playUrl(rows[0].id).rfind(hosts().primary + "/song/", 0), 0u);
}

TEST_F(DemoServiceTest, SecondarySearchOverHttpsListsStreamUrls) {
  const auto rows = SecondaryService(hosts()).search("Demo");
  ASSERT_EQ(rows.size(), 2u);  // page 1 of the answer has nothing more
  for (const auto& row : rows) {
    EXPECT_EQ(row.singer, "Demo Band");
    EXPECT_EQ(row.url.rfind("http://127.0.0.1:", 0), 0u) << row.url;
  }
  OnlineHosts noCa = hosts();
  noCa.caBundle.clear();
  EXPECT_TRUE(SecondaryService(noCa).search("Demo").empty()) << "an unknown certificate must be refused";
}

TEST_F(DemoServiceTest, EmptyHostsSendNothing) {
  EXPECT_TRUE(PrimaryService(OnlineHosts{}).search("Demo").empty());
  EXPECT_EQ(PrimaryService(OnlineHosts{}).fetchLyric("林小雨-晨光"), "");
  EXPECT_TRUE(SecondaryService(OnlineHosts{}).search("Demo").empty());
}

TEST_F(DemoServiceTest, CacheDownloadsReusesAndCleansUp) {
  testing::TempFolder data;
  PrimaryService primary(hosts());
  const auto rows = primary.search("大文件");
  ASSERT_EQ(rows.size(), 1u);
  CacheRequest request =
      testing::cacheRequest(primary.playUrl(rows[0].id), primaryCacheFile(data.path(), rows[0].title, rows[0].artist));
  CacheProgress progress;
  ASSERT_EQ(fetchIntoCache(request, progress), CacheOutcome::kDownloaded);
  EXPECT_EQ(fs::file_size(request.file), 2u * 1024 * 1024);
  EXPECT_EQ(progress.total.load(), 2 * 1024 * 1024);

  // Cut and missing answers: failure, and no .mp3.tmp is left behind.
  const auto other = secondaryCacheFile(data.path(), "大文件", "悠然演示");
  for (const char* fault : {"cut", "404"}) {
    ASSERT_TRUE(service_->control(fault));
    int code = 0;
    EXPECT_EQ(fetchIntoCache(testing::cacheRequest(request.url, other), progress, &code), CacheOutcome::kFailed) << fault;
    EXPECT_NE(code, 0);
    EXPECT_FALSE(fs::exists(other.string() + ".tmp")) << fault;
    EXPECT_FALSE(fs::exists(other)) << fault;
  }
  // The cached file is used even while the service fails.
  EXPECT_EQ(fetchIntoCache(request, progress), CacheOutcome::kCached);

  ASSERT_TRUE(service_->control("nourl"));
  EXPECT_EQ(primary.playUrl(rows[0].id), "");
  const auto secondary = SecondaryService(hosts()).search("大文件");
  ASSERT_EQ(secondary.size(), 1u);
  EXPECT_EQ(secondary[0].url, "");
  EXPECT_EQ(fetchIntoCache(testing::cacheRequest(secondary[0].url, other), progress), CacheOutcome::kNoUrl);
}

TEST_F(DemoServiceTest, StoppedDownloadKeepsItsTmpAndResumes) {
  testing::TempFolder data;
  ASSERT_TRUE(service_->control("slow"));
  const auto rows = PrimaryService(hosts()).search("大文件");
  ASSERT_EQ(rows.size(), 1u);
  const std::string url = PrimaryService(hosts()).playUrl(rows[0].id);
  const auto file = primaryCacheFile(data.path(), "大", "件");
  std::atomic<bool> stop{false};
  CacheProgress progress;
  std::thread stopper([&] {
    while (progress.done.load() < 200 * 1024) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    stop = true;
  });
  EXPECT_EQ(fetchIntoCache(testing::cacheRequest(url, file, &stop), progress), CacheOutcome::kStopped);
  stopper.join();
  ASSERT_TRUE(fs::exists(file.string() + ".tmp"));
  ASSERT_TRUE(service_->control("none"));
  CacheProgress again;
  EXPECT_EQ(fetchIntoCache(testing::cacheRequest(url, file), again), CacheOutcome::kDownloaded);
  EXPECT_EQ(fs::file_size(file), 2u * 1024 * 1024);
  EXPECT_FALSE(fs::exists(file.string() + ".tmp"));
}

// What the services put on the wire.
TEST(OnlineWire, RequestsCarryTheirPathsMethodsAndHeaders) {
  testing::HttpTestServer server([](const testing::RecordedRequest& request) {
    testing::TestReply reply;
    if (request.target.rfind("/api/search/pc", 0) == 0) {
      reply.body = R"({"result":{"songs":[{"name":"t","id":5,"artists":[{"name":"a"}]}]},"code":200})";
    } else if (request.target.rfind("/soso/", 0) == 0) {
      reply.body = R"(callback({"data":{"song":{"list":[{"title":"t","mid":"M1","singer":[{"name":"s"}],"album":{"name":"al"}}]}}}))";
    } else if (request.target.rfind("/v8/", 0) == 0) {
      reply.body = R"(<p>"m4aUrl":"http://x/y.m4a","x":1</p>)";
    } else {
      reply.body = R"({"lrc":{"lyric":"[00:01.00]A\n"},"tlyric":{"lyric":""},"klyric":{"version":0},"code":200})";
    }
    return reply;
  });
  ASSERT_TRUE(server.ok());
  OnlineHosts hosts;
  hosts.primary = server.url("");
  hosts.secondarySearch = server.url("");
  hosts.secondaryPage = server.url("");
  if (hosts.primary.back() == '/') hosts.primary.pop_back();
  hosts.secondarySearch = hosts.secondaryPage = hosts.primary;

  EXPECT_EQ(PrimaryService(hosts).fetchLyric("a b&c"), "[00:01.00]A\r\n");
  const auto rows = SecondaryService(hosts, 1).search("ab");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].url, "http://x/y.m4a");

  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 6u);
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].target, "/api/search/pc?s=a%20b%26c&type=1");
  EXPECT_EQ(requests[0].body, "");
  EXPECT_EQ(requests[1].method, "GET");
  EXPECT_EQ(requests[1].target, "/api/song/lyric?os=pc&id=5&lv=-1&kv=-1&tv=-1");
  EXPECT_EQ(requests[2].method, "GET");
  EXPECT_EQ(requests[2].target, secondarySearchPath("0", "%61%62"));
  EXPECT_EQ(requests[2].header("Accept").value_or(""), "*/*");
  EXPECT_EQ(requests[2].header("Accept-Language").value_or(""), "zh-cn");
  // The second pass asks for the next page.
  EXPECT_EQ(requests[3].target, secondarySearchPath("1", "%61%62"));
  // The fragment of the play page's URL never goes on the wire.
  EXPECT_EQ(requests[4].target, "/v8/playsong.html?ADTAG=newyqq.song&songmid=M1");
  EXPECT_EQ("User-Agent: " + requests[4].header("User-Agent").value_or(""), kMobileUserAgent);
  EXPECT_EQ(requests[5].target, requests[4].target);
}

}  // namespace
}  // namespace youran
