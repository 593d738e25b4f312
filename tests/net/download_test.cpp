#include "net/download.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "support/http_test_server.h"
#include "support/temp_folder.h"

namespace youran {
namespace {

namespace fs = std::filesystem;
using testing::HttpTestServer;
using testing::RecordedRequest;
using testing::TempFolder;
using testing::TestReply;
using Lines = std::vector<std::string>;

std::string songBytes(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return bytes;
}

struct Progress {
  std::atomic<std::int64_t> total{-1};
  std::atomic<std::int64_t> downloaded{-1};
};

TEST(NetDownload, FreshDownloadSendsItsLinesAndRenames) {
  const std::string song = songBytes(50000);
  HttpTestServer server([&](const RecordedRequest& r) { return testing::fileReply(r, song); });
  TempFolder folder;
  const std::string target = (folder / "周杰伦-晴天.mp3").string();
  Progress p;
  EXPECT_EQ(downloadFile(server.url("/songs/a.mp3?k=1"), target, p.total, p.downloaded, false, 0, false, "sid=9"),
            kDownloadOk);
  EXPECT_EQ(testing::readFile(target), song);
  EXPECT_FALSE(fs::exists(target + ".tmp"));
  EXPECT_EQ(p.total.load(), 50000);
  EXPECT_EQ(p.downloaded.load(), 50000);

  ASSERT_EQ(server.requests().size(), 1u);
  const RecordedRequest seen = server.requests()[0];
  EXPECT_EQ(seen.raw.substr(0, seen.raw.find("\r\n")), "GET /songs/a.mp3?k=1 HTTP/1.1");
  // curl puts Host straight after the request line; the rest keep their order.
  EXPECT_EQ(seen.headerLines, (Lines{"Host: 127.0.0.1:" + std::to_string(server.port()), "Accept: */*",
                                     "Accept-Language: zh-cn", "Connection: Keep-Alive", "Cookie: sid=9"}));
  EXPECT_TRUE(seen.raw.ends_with("Cookie: sid=9\r\n\r\n"));
}

TEST(NetDownload, ResumesAfterACut) {
  const std::string song = songBytes(3000);
  std::atomic<bool> cutting{true};
  HttpTestServer server([&](const RecordedRequest& r) {
    TestReply reply = testing::fileReply(r, song);
    if (cutting) {
      // 1000 bytes, then silence: the stalled transfer keeps its .tmp.
      reply.cutAfterBodyBytes = 1000;
      reply.stallAfterCutMs = 4000;
    }
    return reply;
  });
  TempFolder folder;
  const std::string target = (folder / "song.mp3").string();
  DownloadOptions options;
  options.stallSeconds = 1;
  Progress p;
  EXPECT_EQ(downloadFile(server.url("/s.mp3"), target, p.total, p.downloaded, false, 0, false, {}, nullptr, options),
            kDownloadReceiveFailed);
  EXPECT_EQ(testing::readFile(target + ".tmp"), song.substr(0, 1000));
  EXPECT_FALSE(fs::exists(target));

  cutting = false;
  EXPECT_EQ(downloadFile(server.url("/s.mp3"), target, p.total, p.downloaded), kDownloadOk);
  EXPECT_EQ(testing::readFile(target), song);
  EXPECT_FALSE(fs::exists(target + ".tmp"));
  EXPECT_EQ(p.total.load(), 3000);  // the .tmp's 1000 plus the 2000 announced

  ASSERT_EQ(server.requests().size(), 2u);
  const RecordedRequest resume = server.requests()[1];
  EXPECT_EQ(resume.raw.substr(0, resume.raw.find("\r\n")), "GET /s.mp3 HTTP/1.1");
  EXPECT_EQ(resume.headerLines,
            (Lines{"Host: 127.0.0.1:" + std::to_string(server.port()), "Accept: */*",
                   "User-Agent: Mozilla/4.0 (compatible; MSIE 5.00; Windows 98)", "Range: bytes=1000-",
                   "Pragma: no-cache", "Cache-Control: no-cache", "Connection: close"}));
  EXPECT_NE(resume.raw.find("Range: bytes=1000-\r\n"), std::string::npos);
}

TEST(NetDownload, ResumeAnswers) {
  const std::string song = songBytes(5000);
  struct Case {
    const char* name;
    std::size_t tmpBytes;
    bool honourRange;
    int expected;
    std::size_t requests;
  };
  const Case kCases[] = {
      {"206 appends", 1000, true, kDownloadOk, 1},
      {"200 to a Range restarts the .tmp", 1000, false, kDownloadOk, 1},
      {"an empty .tmp resumes from 0", 0, true, kDownloadOk, 1},
      {"a full .tmp answered 416 starts over once", 5000, true, kDownloadOk, 2},
  };
  for (const auto& c : kCases) {
    HttpTestServer server([&](const RecordedRequest& r) { return testing::fileReply(r, song, c.honourRange); });
    TempFolder folder;
    const std::string target = (folder / "s.mp3").string();
    folder.write("s.mp3.tmp", song.substr(0, c.tmpBytes));
    Progress p;
    EXPECT_EQ(downloadFile(server.url("/s.mp3"), target, p.total, p.downloaded), c.expected) << c.name;
    EXPECT_EQ(testing::readFile(target), song) << c.name;
    EXPECT_EQ(p.total.load(), 5000) << c.name;
    EXPECT_EQ(server.requests().size(), c.requests) << c.name;
  }
}

TEST(NetDownload, FailuresAndTheirCodes) {
  const std::string song = songBytes(4000);
  HttpTestServer server([&](const RecordedRequest& r) {
    TestReply reply = testing::fileReply(r, song);
    if (r.target == "/short") reply.cutAfterBodyBytes = 1500;
    if (r.target == "/missing") reply.status = 404, reply.reason = "Not Found", reply.body = "no";
    if (r.target == "/error") reply.status = 500, reply.reason = "Internal Server Error", reply.body = "no";
    if (r.target == "/loop") reply.status = 302, reply.reason = "Found", reply.headers = {"Location: /loop"};
    return reply;
  });
  struct Case {
    const char* name;
    std::string url;
    int expected;
  };
  const Case kCases[] = {
      {"short body", server.url("/short"), kDownloadIncomplete},
      {"404", server.url("/missing"), kDownloadBadStatus},
      {"500", server.url("/error"), kDownloadBadStatus},
      {"endless redirects", server.url("/loop"), kDownloadBadStatus},
      {"not a URL", "song.mp3", kDownloadBadUrl},
      {"ftp", "ftp://127.0.0.1/song.mp3", kDownloadBadUrl},
  };
  for (const auto& c : kCases) {
    TempFolder folder;
    const std::string target = (folder / "t.mp3").string();
    Progress p;
    EXPECT_EQ(downloadFile(c.url, target, p.total, p.downloaded), c.expected) << c.name;
    EXPECT_FALSE(fs::exists(target)) << c.name;
    EXPECT_FALSE(fs::exists(target + ".tmp")) << c.name;
  }

  std::string deadUrl;
  {
    HttpTestServer gone([](const RecordedRequest&) { return TestReply{}; });
    deadUrl = gone.url("/x");
  }
  TempFolder folder;
  Progress p;
  EXPECT_EQ(downloadFile(deadUrl, (folder / "x").string(), p.total, p.downloaded), kDownloadConnectFailed);
  EXPECT_EQ(downloadFile(server.url("/ok"), (folder / "no-such-folder" / "x").string(), p.total, p.downloaded),
            kDownloadFileError);
}

// A server that drips a byte a second never goes silent, so only the speed
// rule or a deadline ends the transfer; what arrived stays for a resume.
TEST(NetDownload, DrippingServersAreGivenUp) {
  HttpTestServer server([](const RecordedRequest&) {
    TestReply reply;
    reply.body = std::string(600, 'x');
    reply.trickleBytes = 1;
    reply.trickleDelayMs = 250;
    return reply;
  });
  struct Case {
    const char* name;
    StallRule stall;
    double deadlineSeconds;  // 0: none
    double atMostSeconds;
  };
  const Case kCases[] = {
      {"too slow for the window", {1024, 2}, 0, 6},
      {"deadline before the window", {1024, 20}, 1.5, 4},
  };
  for (const auto& c : kCases) {
    TempFolder folder;
    const std::string target = (folder / "drip.mp3").string();
    Progress p;
    DownloadOptions options;
    options.stall = c.stall;
    if (c.deadlineSeconds > 0)
      options.deadline = std::chrono::steady_clock::now() +
                         std::chrono::milliseconds(static_cast<int>(c.deadlineSeconds * 1000));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(downloadFile(server.url("/drip"), target, p.total, p.downloaded, false, 0, false, {}, nullptr, options),
              kDownloadReceiveFailed)
        << c.name;
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(took, c.atMostSeconds) << c.name;
    EXPECT_FALSE(fs::exists(target)) << c.name;
    EXPECT_GT(fs::file_size(target + ".tmp"), 0u) << c.name;
  }
}

TEST(NetDownload, RefusedBytesNeverTakeTheName) {
  HttpTestServer server([](const RecordedRequest&) {
    TestReply reply;
    reply.body = "<html>no rights</html>";
    return reply;
  });
  TempFolder folder;
  const std::string target = (folder / "song.mp3").string();
  Progress p;
  std::string seen;
  DownloadOptions options;
  options.acceptFile = [&](const std::string& tmp) {
    seen = testing::readFile(tmp);
    return false;
  };
  EXPECT_EQ(downloadFile(server.url("/x"), target, p.total, p.downloaded, false, 0, false, {}, nullptr, options),
            kDownloadRejected);
  EXPECT_EQ(seen, "<html>no rights</html>");
  EXPECT_FALSE(fs::exists(target));
  EXPECT_FALSE(fs::exists(target + ".tmp"));
}

TEST(NetDownload, RenameSizeOnlyMemoryAndRedirects) {
  const std::string song = songBytes(20000);
  HttpTestServer cdn([&](const RecordedRequest& r) { return testing::fileReply(r, song); });
  HttpTestServer front([&](const RecordedRequest&) {
    TestReply reply;
    reply.status = 302;
    reply.reason = "Found";
    reply.headers = {"Location: " + cdn.url("/real.mp3")};
    return reply;
  });
  TempFolder folder;
  const std::string target = folder.write("a.mp3", "old").string();
  folder.write("a(1).mp3", "older");
  Progress p;
  std::string saved;
  DownloadOptions options;
  options.savedPath = &saved;
  EXPECT_EQ(downloadFile(front.url("/song"), target, p.total, p.downloaded, true, 0, false, {}, nullptr, options),
            kDownloadOk);
  EXPECT_EQ(saved, (folder / "a(2).mp3").string());
  EXPECT_EQ(testing::readFile(saved), song);
  EXPECT_EQ(testing::readFile(target), "old");
  // Each hop carries its own Host.
  ASSERT_EQ(cdn.requests().size(), 1u);
  EXPECT_EQ(cdn.requests()[0].header("Host"), "127.0.0.1:" + std::to_string(cdn.port()));

  // Without renaming, the target is replaced.
  EXPECT_EQ(downloadFile(cdn.url("/real.mp3"), target, p.total, p.downloaded), kDownloadOk);
  EXPECT_EQ(testing::readFile(target), song);

  Progress size;
  const std::string sizeTarget = (folder / "size.mp3").string();
  EXPECT_EQ(downloadFile(cdn.url("/real.mp3"), sizeTarget, size.total, size.downloaded, false, 0, true), kDownloadOk);
  EXPECT_EQ(size.total.load(), 20000);
  EXPECT_FALSE(fs::exists(sizeTarget));
  EXPECT_FALSE(fs::exists(sizeTarget + ".tmp"));

  std::string body;
  Progress memory;
  EXPECT_EQ(downloadFile(front.url("/song"), "", memory.total, memory.downloaded, false, 0, false, {}, &body),
            kDownloadOk);
  EXPECT_EQ(body, song);
  EXPECT_EQ(memory.downloaded.load(), 20000);
}

TEST(NetDownload, ProgressAndStopFromAnotherThread) {
  const std::string song = songBytes(64000);
  HttpTestServer server([&](const RecordedRequest& r) {
    TestReply reply = testing::fileReply(r, song);
    reply.trickleBytes = 2000;
    reply.trickleDelayMs = 50;
    return reply;
  });
  TempFolder folder;
  const std::string target = (folder / "slow.mp3").string();
  Progress p;
  std::atomic<bool> stop{false};
  DownloadOptions options;
  options.stop = &stop;
  int result = -1;
  std::thread worker([&] {
    result = downloadFile(server.url("/slow.mp3"), target, p.total, p.downloaded, false, 0, false, {}, nullptr,
                          options);
  });
  // The UI thread sees the counter move, then asks the worker to stop.
  std::int64_t seen = 0;
  for (int i = 0; i < 400 && seen < 4000; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    seen = p.downloaded.load();
  }
  stop = true;
  worker.join();
  EXPECT_GE(seen, 4000);
  EXPECT_EQ(result, kDownloadStopped);
  EXPECT_EQ(p.total.load(), 64000);
  const std::string partial = testing::readFile(target + ".tmp");
  EXPECT_GE(partial.size(), 4000u);
  EXPECT_LT(partial.size(), song.size());
  EXPECT_EQ(partial, song.substr(0, partial.size()));
}

TEST(NetDownload, Https) {
  TempFolder folder;
  auto certificate = testing::makeTestCertificate(folder.path().string());
  ASSERT_TRUE(certificate);
  const std::string song = songBytes(10000);
  HttpTestServer server([&](const RecordedRequest& r) { return testing::fileReply(r, song); }, certificate);
  const std::string target = (folder / "tls.mp3").string();
  Progress p;
  EXPECT_EQ(downloadFile(server.url("/t.mp3"), target, p.total, p.downloaded), kDownloadConnectFailed);
  DownloadOptions options;
  options.caFile = certificate->certificateFile;
  EXPECT_EQ(downloadFile(server.url("/t.mp3"), target, p.total, p.downloaded, false, 0, false, {}, nullptr, options),
            kDownloadOk);
  EXPECT_EQ(testing::readFile(target), song);
}

}  // namespace
}  // namespace youran
