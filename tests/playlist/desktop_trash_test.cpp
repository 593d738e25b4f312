#include "playlist/desktop_trash.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "support/temp_folder.h"

namespace youran {
namespace {

namespace fs = std::filesystem;

TEST(DesktopTrash, HomeTrashKeepsTheFileAndWhereItCameFrom) {
  testing::TempFolder folder;
  const auto song = folder.write("歌 1.mp3", "one");
  const auto again = folder.write("sub/歌 1.mp3", "two");
  TrashPlaces places{folder / "share" / "Trash"};
  TrashedFile first, second;
  ASSERT_FALSE(moveToTrash(song, places, &first));
  ASSERT_FALSE(moveToTrash(again, places, &second));
  EXPECT_FALSE(fs::exists(song));
  EXPECT_EQ(first.file, places.homeTrash / "files" / "歌 1.mp3");
  EXPECT_EQ(second.file, places.homeTrash / "files" / "歌 1.2.mp3")
      << "a taken name is not overwritten";
  EXPECT_EQ(testing::readFile(first.file), "one");
  EXPECT_EQ(testing::readFile(second.file), "two");
  const std::string info = testing::readFile(places.homeTrash / "info" / "歌 1.mp3.trashinfo");
  EXPECT_EQ(info.rfind("[Trash Info]\nPath=", 0), 0u) << info;
  EXPECT_NE(info.find("Path=" + folder.path().string() + "/%E6%AD%8C%201.mp3\n"), std::string::npos)
      << info;
  EXPECT_NE(info.find("\nDeletionDate=20"), std::string::npos) << info;
}

TEST(DesktopTrash, AFailureLeavesTheFileAndNoInfoBehind) {
  testing::TempFolder folder;
  const auto song = folder.write("a.mp3", "x");
  folder.write("plain-file", "x");
  // A trash that cannot be made where the home data folder should be.
  auto failure = moveToTrash(song, TrashPlaces{folder / "plain-file" / "Trash"});
  ASSERT_TRUE(failure);
  EXPECT_TRUE(fs::exists(song));
  EXPECT_FALSE(moveToTrash(folder / "missing.mp3", TrashPlaces{folder / "share" / "Trash"}) ==
               std::nullopt);

  // The trash exists but its info folder takes no new files.
  TrashPlaces places{folder / "share" / "Trash"};
  fs::create_directories(places.homeTrash / "files");
  folder.write("share/Trash/info", "not a folder");
  EXPECT_TRUE(moveToTrash(song, places));
  EXPECT_TRUE(fs::exists(song));
  EXPECT_TRUE(fs::is_empty(places.homeTrash / "files"));
}

TEST(DesktopTrash, AnotherMountGetsItsOwnTrashWithARelativePath) {
  struct stat shm {
  }, tmp{};
  const fs::path mount = "/dev/shm";
  if (::stat(mount.c_str(), &shm) != 0 || ::stat(fs::temp_directory_path().c_str(), &tmp) != 0 ||
      shm.st_dev == tmp.st_dev || ::access(mount.c_str(), W_OK) != 0)
    GTEST_SKIP() << "no second writable mount here";
  const fs::path own = mount / (".Trash-" + std::to_string(::getuid()));
  const bool hadTrash = fs::exists(own);
  const fs::path song = mount / ("youran-trash-test-" + std::to_string(::getpid()) + ".mp3");
  FILE* out = std::fopen(song.c_str(), "w");
  ASSERT_NE(out, nullptr);
  std::fclose(out);
  testing::TempFolder folder;
  TrashedFile trashed;
  ASSERT_FALSE(moveToTrash(song, TrashPlaces{folder / "share" / "Trash"}, &trashed));
  EXPECT_EQ(trashed.file, own / "files" / song.filename());
  EXPECT_NE(testing::readFile(trashed.info).find("Path=" + song.filename().string() + "\n"),
            std::string::npos);
  EXPECT_FALSE(fs::exists(folder / "share")) << "the home trash is not used for another mount";
  fs::remove(trashed.file);
  fs::remove(trashed.info);
  if (!hadTrash) fs::remove_all(own);
}

}  // namespace
}  // namespace youran
