// youranmusic-cli search, lyric-fetch, cover-fetch and get against the demo
// service, run as a user would.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <algorithm>
#include <fstream>

#include <nlohmann/json.hpp>

#include "base/text_encoding.h"
#include "demo_service.h"
#include "support/http_test_server.h"
#include "support/temp_folder.h"

namespace youran {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::runCommand;
using testing::shellQuote;

const std::string kCli = YOURAN_CLI_PATH;

std::vector<nlohmann::json> jsonLines(const std::string& text) {
  std::vector<nlohmann::json> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(nlohmann::json::parse(text.substr(start, end - start), nullptr, false));
    start = end + 1;
  }
  return lines;
}

TEST(OnlineCli, SearchFetchAndGet) {
  testing::TempFolder temp;
  testing::DemoService service(testing::makeDemoLibrary(temp.path() / "library"));
  ASSERT_TRUE(service.ok());
  const auto& h = service.hosts();
  const fs::path data = temp.path() / "data";
  fs::create_directories(data);
  std::ofstream(data / "Setting.ini") << "[Online]\r\nPrimary=" << h.primary << "\r\n";
  const std::string dataArg = " --data-dir " + shellQuote(data.string());
  const fs::path out = temp.path() / "out.txt";
  const std::string toOut = " >" + shellQuote(out.string());

  ASSERT_EQ(runCommand(kCli + " search primary " + shellQuote("Demo Band") + dataArg + toOut), 0);
  auto rows = jsonLines(readFile(out));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][0], "1");
  EXPECT_EQ(rows[0][2], "Demo Band");

  const std::string secondary = " --secondary-search " + h.secondarySearch + " --secondary-page " + h.secondaryPage +
                                " --cacert " + shellQuote(h.caBundle);
  ASSERT_EQ(runCommand(kCli + " search secondary 晨光" + dataArg + secondary + toOut), 0);
  rows = jsonLines(readFile(out));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], "晨光");
  EXPECT_EQ(rows[0][1], "林小雨");
  const std::string url = rows[0][3];
  EXPECT_EQ(url.rfind("http://", 0), 0u);
  // Without its hosts the secondary search refuses and says why.
  EXPECT_NE(runCommand(kCli + " search secondary 晨光" + dataArg + " 2>/dev/null" + toOut), 0);

  ASSERT_EQ(runCommand(kCli + " lyric-fetch 林小雨-晨光" + dataArg + toOut), 0);
  EXPECT_EQ(readFile(out).rfind("[00:00.00]晨光 - 林小雨\r\n", 0), 0u);
  ASSERT_EQ(runCommand(kCli + " lyric-fetch 不存在" + dataArg + toOut), 0);
  EXPECT_EQ(readFile(out), "");

  const fs::path cover = temp.path() / "cover.png";
  ASSERT_EQ(runCommand(kCli + " cover-fetch 林小雨-晨光 " + shellQuote(cover.string()) + dataArg), 0);
  EXPECT_EQ(readFile(cover).substr(0, 4), "\x89PNG");

  ASSERT_EQ(runCommand(kCli + " get secondary " + shellQuote(url) + " 晨光 林小雨" + dataArg + toOut), 0);
  const fs::path cached = data / "YouranMusicCache" / "晨光 - 林小雨.mp3";
  EXPECT_TRUE(fs::exists(cached));
  // A second get reuses the file, even from a URL that no longer answers.
  ASSERT_EQ(runCommand(kCli + " get secondary http://127.0.0.1:1/gone 晨光 林小雨" + dataArg + toOut), 0);
  const std::string list = gb18030ToUtf8(readFile(data / "YRmDefaultList.dll")).value_or("");
  // Both rows read artist-title at once, no blank left from the " - " of
  // the file's name, and still wait for the conversion pass.
  EXPECT_NE(list.find(cached.string() + "|  1|林小雨-晨光||\r\n"), std::string::npos) << list;
  EXPECT_NE(list.find(cached.string() + "|  2|林小雨-晨光||"), std::string::npos) << list;
  // A hostile title stays inside the cache.
  ASSERT_EQ(runCommand(kCli + " get secondary " + shellQuote(url) + " ../../evil x" + dataArg + toOut), 0);
  EXPECT_TRUE(fs::exists(data / "YouranMusicCache" / "_.._evil - x.mp3") ||
              fs::exists(data / "YouranMusicCache" / ".._.._evil - x.mp3"));
  EXPECT_FALSE(fs::exists(temp.path() / "evil - x.mp3"));
}


// One stand-in for every way a service misbehaves: the first path segment
// of the host picks the fault, the rest is the request the player makes.
testing::TestReply misbehave(const testing::RecordedRequest& r) {
  testing::TestReply reply;
  const std::string& t = r.target;
  auto is = [&](const char* prefix) { return t.rfind(prefix, 0) == 0; };
  const std::string song = R"({"name":"n","id":"1","artists":[{"name":"z"}]})";
  if (is("/cut")) {
    reply.body = R"({"result":{"songs":[)" + song + "," + song + "]},\"code\":200}";
    reply.cutAfterBodyBytes = 30;
  } else if (is("/500")) {
    reply.status = 500, reply.reason = "Internal Server Error", reply.body = R"({"result":{"songs":[]}})";
  } else if (is("/loop")) {
    reply.status = 302, reply.reason = "Found", reply.headers = {"Location: " + t};
  } else if (is("/html")) {
    reply.body = "<html>busy</html>";
  } else if (is("/deep")) {
    reply.body = R"({"result":{"songs":[{"name":"n","id":"1","artists":[{"name":"z"}],"x":/*"*/)" +
                 std::string(1000000, '[') + std::string(1000000, ']') + R"(/*"*/}]}})";
  } else if (is("/drip")) {
    reply.body = std::string(4000, ' ') + "{}";
    reply.trickleBytes = 1;
    reply.trickleDelayMs = 1000;
  } else if (is("/none")) {
    reply.body = R"({"result":{"songCount":0},"code":200})";
  } else if (is("/badbyte")) {
    reply.body = R"({"result":{"songs":[{"name":"a)" "\xff" R"(b","id":"1","artists":[{"name":"z"}]},)" + song + "]}}";
  } else if (is("/junk")) {
    reply.body = "<html>no rights</html>";
  }
  return reply;
}

TEST(OnlineCli, ServicesThatCannotAnswerAreFailures) {
  testing::TempFolder temp;
  testing::HttpTestServer server(misbehave);
  const auto certificate = testing::makeTestCertificate(temp.path().string());
  ASSERT_TRUE(certificate);
  testing::HttpTestServer untrusted(misbehave, certificate);
  ASSERT_TRUE(server.ok() && untrusted.ok());
  std::string dead;
  {
    testing::HttpTestServer gone(misbehave);
    dead = gone.url("/none");
  }
  const fs::path data = temp.path() / "data";
  fs::create_directories(data);
  const fs::path out = temp.path() / "out.txt";
  const fs::path err = temp.path() / "err.txt";
  struct Case {
    std::string command;  // after the program, before the host options
    std::string host;
    int exit;
    size_t rows;
  };
  const Case kCases[] = {
      {"search primary x", server.url("/cut"), 1, 0},
      {"search primary x", server.url("/500"), 1, 0},
      {"search primary x", untrusted.url("/none"), 1, 0},
      {"search primary x", server.url("/loop"), 1, 0},
      {"search primary x", "htp://127.0.0.1/none", 1, 0},
      {"search primary x", dead, 1, 0},
      {"search primary x", server.url("/html"), 1, 0},
      {"search primary x", server.url("/deep"), 1, 0},
      {"search primary x --timeout 2", server.url("/drip"), 1, 0},
      {"search primary x", server.url("/none"), 0, 0},
      {"search primary x", server.url("/badbyte"), 0, 2},
      {"lyric-fetch x", server.url("/500"), 1, 0},
      {"lyric-fetch x", server.url("/none"), 0, 0},
      {"cover-fetch x " + shellQuote((temp.path() / "c.png").string()), server.url("/loop"), 1, 0},
      {"get primary 1 t a", server.url("/500"), 1, 0},
  };
  for (const auto& c : kCases) {
    const auto start = std::chrono::steady_clock::now();
    const int exit = runCommand(kCli + " " + c.command + " --data-dir " + shellQuote(data.string()) + " --primary " +
                                shellQuote(c.host) + " >" + shellQuote(out.string()) + " 2>" + shellQuote(err.string()));
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::string what = c.command + " @ " + c.host;
    EXPECT_EQ(exit, c.exit) << what;
    EXPECT_LT(took, 8.0) << what;
    const std::string reason = readFile(err);
    if (c.exit != 0) {
      // One line that says why.
      EXPECT_GT(reason.size(), c.command.find(' ') + 3) << what;
      EXPECT_EQ(std::count(reason.begin(), reason.end(), '\n'), 1) << what << ": " << reason;
    }
    const std::string printed = readFile(out);
    if (c.command.starts_with("search")) {
      const auto rows = printed.empty() ? std::vector<nlohmann::json>{} : jsonLines(printed);
      EXPECT_EQ(rows.size(), c.rows) << what;
      if (c.rows == 2) {
        EXPECT_EQ(rows[0][1], "a\xef\xbf\xbd" "b") << what;
        EXPECT_EQ(rows[1][1], "n") << what;
      }
    }
  }
  EXPECT_FALSE(fs::exists(data / "YouranMusicCache" / "t-a.mp3"));
}

// A song URL that answers with a page, and one that drips: nothing is added;
// the dripping one is given up and keeps its .tmp for the next attempt.
TEST(OnlineCli, JunkAndDripsAreNotSongs) {
  testing::TempFolder temp;
  testing::HttpTestServer server(misbehave);
  const fs::path data = temp.path() / "data";
  fs::create_directories(data);
  const std::string dataArg = " --data-dir " + shellQuote(data.string());
  const fs::path err = temp.path() / "err.txt";

  EXPECT_EQ(runCommand(kCli + " get secondary " + shellQuote(server.url("/junk/a.mp3")) + " 晨光 林小雨" + dataArg +
                       " >/dev/null 2>" + shellQuote(err.string())),
            1);
  EXPECT_NE(readFile(err).find("晨光林小雨添加失败，此音乐无版权!!"), std::string::npos) << readFile(err);
  EXPECT_FALSE(fs::exists(data / "YouranMusicCache" / "晨光 - 林小雨.mp3"));
  EXPECT_FALSE(fs::exists(data / "YouranMusicCache" / "晨光 - 林小雨.mp3.tmp"));
  EXPECT_FALSE(fs::exists(data / "YRmDefaultList.dll"));

  struct Case {
    std::string command;
    double atMost;
  };
  const fs::path target = temp.path() / "drip.mp3";
  const Case kCases[] = {
      {"fetch --timeout 2 " + shellQuote(server.url("/drip")), 5},
      {"download --stall 2 " + shellQuote(server.url("/drip")) + " " + shellQuote(target.string()), 6},
      {"download --timeout 2 " + shellQuote(server.url("/drip")) + " " + shellQuote(target.string()), 5},
  };
  for (const auto& c : kCases) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(runCommand(kCli + " " + c.command + " >/dev/null 2>&1"), 1) << c.command;
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(took, c.atMost) << c.command;
  }
  EXPECT_FALSE(fs::exists(target));
  EXPECT_GT(fs::file_size(target.string() + ".tmp"), 0u);
}

}  // namespace
}  // namespace youran
