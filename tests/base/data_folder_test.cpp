#include "base/data_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/temp_folder.h"

namespace youran {
namespace {

TEST(DataFolder, CommandLineThenEnvironmentThenExecutableFolder) {
  testing::TempFolder root;
  DataFolderChoice choice;
  choice.executableFolder = root.path();
  choice.xdgDataHome = root / "xdg";
  EXPECT_EQ(chooseDataFolder(choice), root.path());

  choice.environment = root / "env";
  EXPECT_EQ(chooseDataFolder(choice), root / "env");
  EXPECT_TRUE(std::filesystem::is_directory(root / "env"));

  choice.commandLine = root / "cli";
  EXPECT_EQ(chooseDataFolder(choice), root / "cli");
}

TEST(DataFolder, UnwritableExecutableFolderFallsBackToXdg) {
  testing::TempFolder root;
  DataFolderChoice choice;
  choice.executableFolder = root / "does-not-exist";
  choice.xdgDataHome = root / "xdg";
  EXPECT_EQ(chooseDataFolder(choice), root / "xdg" / "youranmusic");
  EXPECT_TRUE(std::filesystem::is_directory(root / "xdg" / "youranmusic"));
}

TEST(DataFolder, DataDirArgumentIsTakenOutOfArgv) {
  char prog[] = "youranmusic", flag[] = "--data-dir", dir[] = "/tmp/x", other[] = "--keep",
       eq[] = "--data-dir=/tmp/y";
  char* argv[] = {prog, flag, dir, other, eq, nullptr};
  int argc = 5;
  auto choice = dataFolderChoiceFromProcess(argc, argv);
  EXPECT_EQ(choice.commandLine, "/tmp/y");  // the last one wins
  ASSERT_EQ(argc, 2);
  EXPECT_STREQ(argv[1], "--keep");
}

TEST(DataFolder, TrailingSeparator) {
  EXPECT_EQ(withTrailingSeparator("/music"), "/music/");
  EXPECT_EQ(withTrailingSeparator("/music/"), "/music/");
  EXPECT_EQ(withTrailingSeparator("/"), "/");
}

}  // namespace
}  // namespace youran
