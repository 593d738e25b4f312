// A song whose title fills a whole file name: the cache name leaves room for
// the download's ".tmp" beside it, so the song downloads, caches and is added.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/text_encoding.h"
#include "demo_service.h"
#include "online/song_cache.h"
#include "support/temp_folder.h"

namespace youran {
namespace {

namespace fs = std::filesystem;

TEST(OnlineCli, GetWithANinetyCharacterChineseTitle) {
  testing::TempFolder temp;
  testing::DemoService service(testing::makeDemoLibrary(temp.path() / "library"));
  ASSERT_TRUE(service.ok());
  const fs::path data = temp.path() / "data";
  fs::create_directories(data);
  std::ofstream(data / "Setting.ini") << "[Online]\r\nPrimary=" << service.hosts().primary << "\r\n";
  std::string title;
  for (int i = 0; i < 90; ++i) title += "长";
  const std::string command = std::string(YOURAN_CLI_PATH) + " get primary 1001 " + title +
                              " 林小雨 --data-dir " + testing::shellQuote(data.string()) + " >/dev/null";
  ASSERT_EQ(testing::runCommand(command), 0);
  const fs::path cached = primaryCacheFile(data, title, "林小雨");
  EXPECT_GT(fs::file_size(cached), 0u);
  EXPECT_LE(cached.filename().native().size() + 4, 255u);
  const std::string list = gb18030ToUtf8(testing::readFile(data / "YRmDefaultList.dll")).value_or("");
  EXPECT_NE(list.find(cached.string() + "|  1|"), std::string::npos) << list;
}

}  // namespace
}  // namespace youran
