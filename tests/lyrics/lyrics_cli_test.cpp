// youranmusic-cli lyrics, run as a user would.
#include <gtest/gtest.h>

#include <string>

#include "support/temp_folder.h"

namespace youran {
namespace {

using testing::readFile;
using testing::runCommand;
using testing::shellQuote;

const std::string kCli = YOURAN_CLI_PATH;

TEST(LyricsCli, LinesAtPositionsAndTheTaggedLines) {
  testing::TempFolder dir;
  // GBK, with a title tag and a line of two tags.
  const auto lrc = dir.write("a.lrc",
                             "[ti:\xB2\xE2]\r\n[00:01.00]\xD6\xD0\r\n[00:02.00][00:04.00]two\r\n[01:23.50]end\r\n");
  const auto out = dir / "out.txt";
  ASSERT_EQ(runCommand(kCli + " lyrics " + shellQuote(lrc.string()) +
                       " --at 00:01 --at 1.5 --at 00:02 --at 83.75 --at 1:23 >" + shellQuote(out.string())),
            0);
  // The held line between tags, a repeated line at each of its tags.
  EXPECT_EQ(readFile(out),
            "{\"at\":\"00:01.00\",\"line\":\"中\",\"translation\":\"\",\"progress\":0}\n"
            "{\"at\":\"00:01.50\",\"line\":\"中\",\"translation\":\"\",\"progress\":50}\n"
            "{\"at\":\"00:02.00\",\"line\":\"two\",\"translation\":\"\",\"progress\":0}\n"
            "{\"at\":\"01:23.75\",\"line\":\"end\",\"translation\":\"\",\"progress\":6}\n"
            "{\"at\":\"01:23.00\",\"line\":\"two\",\"translation\":\"\",\"progress\":99}\n");

  ASSERT_EQ(runCommand(kCli + " lyrics " + shellQuote(lrc.string()) + " >" + shellQuote(out.string())), 0);
  EXPECT_EQ(readFile(out),
            "{\"encoding\":\"GB18030\",\"offset\":0}\n"
            "{\"time\":\"00:01.00\",\"line\":\"中\",\"translation\":\"\"}\n"
            "{\"time\":\"00:02.00\",\"line\":\"two\",\"translation\":\"\"}\n"
            "{\"time\":\"00:04.00\",\"line\":\"two\",\"translation\":\"\"}\n"
            "{\"time\":\"01:23.50\",\"line\":\"end\",\"translation\":\"\"}\n");

  EXPECT_NE(runCommand(kCli + " lyrics " + shellQuote(lrc.string()) + " --at x 2>/dev/null"), 0);
  EXPECT_NE(runCommand(kCli + " lyrics " + shellQuote((dir / "missing.lrc").string()) + " 2>/dev/null"), 0);
}

}  // namespace
}  // namespace youran
