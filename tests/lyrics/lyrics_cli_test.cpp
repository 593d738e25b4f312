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
  EXPECT_EQ(readFile(out),
            "{\"at\":\"00:01\",\"line\":\"中\\r\\n\",\"progress\":0}\n"
            "{\"at\":\"00:01\",\"line\":\"中\\r\\n\",\"progress\":50}\n"
            "{\"at\":\"00:02\",\"line\":\"\",\"progress\":0}\n"
            "{\"at\":\"01:23\",\"line\":\"end\\r\\n\",\"progress\":6}\n"
            "{\"at\":\"01:23\",\"line\":\"end\\r\\n\",\"progress\":0}\n");

  ASSERT_EQ(runCommand(kCli + " lyrics " + shellQuote(lrc.string()) + " >" + shellQuote(out.string())), 0);
  EXPECT_EQ(readFile(out),
            "{\"encoding\":\"GB18030\"}\n"
            "{\"tag\":\"00:01.00\",\"line\":\"中\\r\\n\"}\n"
            "{\"tag\":\"00:02.00\",\"line\":\"\"}\n"
            "{\"tag\":\"00:04.00\",\"line\":\"two\\r\\n\"}\n"
            "{\"tag\":\"01:23.50\",\"line\":\"end\\r\\n\"}\n");

  EXPECT_NE(runCommand(kCli + " lyrics " + shellQuote(lrc.string()) + " --at x 2>/dev/null"), 0);
  EXPECT_NE(runCommand(kCli + " lyrics " + shellQuote((dir / "missing.lrc").string()) + " 2>/dev/null"), 0);
}

}  // namespace
}  // namespace youran
