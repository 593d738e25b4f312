#include <gtest/gtest.h>

#include <cstdlib>
#include <nlohmann/json.hpp>
#include <sstream>

#include "support/tag_fixtures.h"
#include "support/temp_folder.h"

namespace youran {
namespace {

std::string CliPath() {
  const char* binary = std::getenv("YOURAN_BINARY_DIR");
  return std::string(binary ? binary : ".") + "/bin/youranmusic-cli";
}

TEST(TagsCli, PrintsOneJsonLinePerFile) {
  testing::TempFolder folder;
  const std::string cover = testing::fakePng(321);
  const auto mp3 = folder.write(
      "01 . song.mp3",
      testing::id3v2Tag(3, {{"TIT2", testing::id3Text(3, "天路")},
                            {"APIC", testing::id3Apic(0, "image/png", 3, "", cover)}}) +
          testing::mpegFrame(0xFFFB9000, 417) + testing::mpegFrame(0xFFFB9000, 417));
  const auto plain = folder.write("a . b.flac", "not flac");
  const auto m4a = folder.write("c.M4A", testing::mp4File({testing::mp4Item("\xA9" "ART", 1, "Band")}));
  const auto out = folder / "out.txt";
  const auto pictures = folder / "pics";
  const std::string command = testing::shellQuote(CliPath()) + " tags --picture-dir " +
                              testing::shellQuote(pictures.string()) + " " +
                              testing::shellQuote(mp3.string()) + " " +
                              testing::shellQuote(plain.string()) + " " +
                              testing::shellQuote(m4a.string()) + " x.txt > " +
                              testing::shellQuote(out.string());
  // x.txt does not exist: the exit status says so, the other lines still come.
  EXPECT_NE(testing::runCommand(command), 0);
  std::istringstream lines(testing::readFile(out));
  std::vector<nlohmann::ordered_json> rows;
  for (std::string line; std::getline(lines, line);) rows.push_back(nlohmann::ordered_json::parse(line));
  ASSERT_EQ(rows.size(), 4u);

  EXPECT_EQ(rows[0]["path"], mp3.string());
  EXPECT_EQ(rows[0]["handled"], true);
  EXPECT_EQ(rows[0]["title"], "天路");
  EXPECT_EQ(rows[0]["picture"], "321");
  EXPECT_EQ(rows[0]["bitrate"], "128");
  EXPECT_EQ(rows[0]["displayName"], "未知歌手-天路");
  EXPECT_EQ(testing::readFile(rows[0]["picturePath"].get<std::string>()), cover);
  std::vector<std::string> keys;
  for (const auto& item : rows[0].items()) keys.push_back(item.key());
  const std::vector<std::string> expected = {
      "path",    "handled",    "artist",   "title",      "album",     "rights",      "comment",
      "track",   "encoding",   "genre",    "lyrics",     "year",      "url",         "composer",
      "version", "reserved",   "bitrate",  "sampleRate", "channels",  "performer",   "description",
      "duration", "picture",   "trackAlt", "displayName", "picturePath"};
  EXPECT_EQ(keys, expected);

  EXPECT_EQ(rows[1]["handled"], true);
  EXPECT_EQ(rows[1]["displayName"], "a b");
  EXPECT_EQ(rows[2]["handled"], true);
  EXPECT_EQ(rows[2]["displayName"], "Band-未知歌名");
  EXPECT_EQ(rows[3]["handled"], false);
  EXPECT_TRUE(rows[3].contains("error"));
}

TEST(TagsCli, Usage) {
  EXPECT_EQ(testing::runCommand(testing::shellQuote(CliPath()) + " tags 2>/dev/null"), 2);
  EXPECT_EQ(testing::runCommand(testing::shellQuote(CliPath()) + " tags --picture-dir 2>/dev/null"), 2);
}

}  // namespace
}  // namespace youran
