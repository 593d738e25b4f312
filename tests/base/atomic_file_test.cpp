#include "base/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/temp_folder.h"

namespace youran {
namespace {

TEST(AtomicFile, ReplacesContentAndLeavesNoTemporaryFile) {
  testing::TempFolder folder;
  auto file = folder / "list.txt";
  ASSERT_FALSE(writeFileAtomically(file, "first version").has_value());
  ASSERT_FALSE(writeFileAtomically(file, "second").has_value());
  EXPECT_EQ(readWholeFile(file), "second");
  int entries = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(folder.path())) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST(AtomicFile, FailureKeepsTheOldFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "root ignores folder permissions";
  testing::TempFolder folder;
  auto file = folder / "keep.txt";
  ASSERT_FALSE(writeFileAtomically(file, "old").has_value());
  ::chmod(folder.path().c_str(), 0500);
  auto failure = writeFileAtomically(file, "new");
  ::chmod(folder.path().c_str(), 0700);
  ASSERT_TRUE(failure.has_value());
  EXPECT_EQ(readWholeFile(file), "old");
}

TEST(AtomicFile, FailedRenameLeavesTargetAndNoTemporaryFile) {
  testing::TempFolder folder;
  folder.write("target/inside.txt", "kept");
  auto failure = writeFileAtomically(folder / "target", "new");
  ASSERT_TRUE(failure.has_value());
  EXPECT_NE(failure->find("rename"), std::string::npos);
  EXPECT_EQ(readWholeFile(folder / "target" / "inside.txt"), "kept");
  int entries = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(folder.path())) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST(AtomicFile, WriteIntoMissingFolderFailsWithReason) {
  testing::TempFolder folder;
  auto failure = writeFileAtomically(folder / "no" / "such" / "file", "x");
  ASSERT_TRUE(failure.has_value());
  EXPECT_NE(failure->find("create"), std::string::npos);
  EXPECT_FALSE(readWholeFile(folder / "missing").has_value());
}

}  // namespace
}  // namespace youran
