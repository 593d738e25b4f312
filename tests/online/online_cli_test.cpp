// youranmusic-cli search, lyric-fetch, cover-fetch and get against the demo
// service, run as a user would.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include "base/text_encoding.h"
#include "demo_service.h"
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
  EXPECT_NE(list.find(cached.string() + "|  1|"), std::string::npos) << list;
  EXPECT_NE(list.find(cached.string() + "|  2|"), std::string::npos) << list;
  // A hostile title stays inside the cache.
  ASSERT_EQ(runCommand(kCli + " get secondary " + shellQuote(url) + " ../../evil x" + dataArg + toOut), 0);
  EXPECT_TRUE(fs::exists(data / "YouranMusicCache" / "_.._evil - x.mp3") ||
              fs::exists(data / "YouranMusicCache" / ".._.._evil - x.mp3"));
  EXPECT_FALSE(fs::exists(temp.path() / "evil - x.mp3"));
}

}  // namespace
}  // namespace youran
