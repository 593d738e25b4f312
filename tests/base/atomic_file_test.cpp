#include "base/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <string>

#include "support/temp_folder.h"

namespace youran {
namespace {

int entriesIn(const std::filesystem::path& folder) {
  int entries = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(folder)) ++entries;
  return entries;
}

TEST(AtomicFile, ReplacesContentAndLeavesNoTemporaryFile) {
  testing::TempFolder folder;
  auto file = folder / "list.txt";
  ASSERT_FALSE(writeFileAtomically(file, "first version").has_value());
  ASSERT_FALSE(writeFileAtomically(file, "second").has_value());
  EXPECT_EQ(readWholeFile(file), "second");
  EXPECT_EQ(entriesIn(folder.path()), 1);
}

// What a writer killed before its rename leaves: the next write of the same
// file clears the temporary files of processes that are gone, and only those.
TEST(AtomicFile, WriteRemovesTemporaryFilesOfEndedProcesses) {
  testing::TempFolder folder;
  pid_t ended = ::fork();
  if (ended == 0) ::_exit(0);
  ASSERT_GT(ended, 0);
  ::waitpid(ended, nullptr, 0);
  const std::string dead = ".list.txt.tmp" + std::to_string(ended) + "-0";
  const std::string deadToo = ".list.txt.tmp" + std::to_string(ended) + "-7";
  const std::string mine = ".list.txt.tmp" + std::to_string(::getpid()) + "-99";
  const std::string running = ".list.txt.tmp" + std::to_string(::getppid()) + "-0";
  const std::string otherFile = ".other.txt.tmp" + std::to_string(ended) + "-0";
  for (const auto& name : {dead, deadToo, mine, running, otherFile, std::string(".list.txt.tmpx-1")})
    folder.write(name, "half a list");

  ASSERT_FALSE(writeFileAtomically(folder / "list.txt", "whole").has_value());
  EXPECT_EQ(readWholeFile(folder / "list.txt"), "whole");
  EXPECT_FALSE(std::filesystem::exists(folder / dead));
  EXPECT_FALSE(std::filesystem::exists(folder / deadToo));
  EXPECT_TRUE(std::filesystem::exists(folder / mine));        // may be another thread's, mid-write
  EXPECT_TRUE(std::filesystem::exists(folder / running));     // another live process's
  EXPECT_TRUE(std::filesystem::exists(folder / otherFile));   // another file's writers clear their own
  EXPECT_TRUE(std::filesystem::exists(folder / ".list.txt.tmpx-1"));  // not a name we make
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
  EXPECT_EQ(entriesIn(folder.path()), 1);
}

TEST(AtomicFile, WriteIntoMissingFolderFailsWithReason) {
  testing::TempFolder folder;
  auto failure = writeFileAtomically(folder / "no" / "such" / "file", "x");
  ASSERT_TRUE(failure.has_value());
  EXPECT_NE(failure->find("create"), std::string::npos);
  EXPECT_FALSE(readWholeFile(folder / "missing").has_value());
}

// Pieces of every size, across the points where writeback is started, come
// out in order; a writer dropped before commit leaves the old file alone.
TEST(AtomicFile, WriterJoinsPiecesAndAbandonsCleanly) {
  testing::TempFolder folder;
  auto file = folder / "big.dll";
  std::string expected;
  {
    AtomicFileWriter writer(file);
    for (size_t i = 0; expected.size() < (5u << 20); ++i) {
      std::string piece((i * 7919) % 300000 + 1, static_cast<char>('a' + i % 26));
      ASSERT_TRUE(writer.append(piece));
      expected += piece;
    }
    EXPECT_FALSE(writer.commit().has_value());
  }
  EXPECT_TRUE(readWholeFile(file) == expected);
  {
    AtomicFileWriter writer(file);
    writer.append("half a list");
  }
  EXPECT_TRUE(readWholeFile(file) == expected);
  EXPECT_EQ(entriesIn(folder.path()), 1);
}

// A write that fails part way (here the file-size limit) is reported, and
// neither the target nor a temporary file is left changed behind.
TEST(AtomicFile, FailedWriteMidwayKeepsTheOldFile) {
  testing::TempFolder folder;
  auto file = folder / "list.dll";
  ASSERT_FALSE(writeFileAtomically(file, "old rows").has_value());
  rlimit before{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = before;
  small.rlim_cur = 1 << 20;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  std::optional<std::string> failure;
  {
    AtomicFileWriter writer(file);
    writer.append(std::string(700000, 'x'));
    writer.append(std::string(700000, 'y'));
    failure = writer.commit();
  }
  ::setrlimit(RLIMIT_FSIZE, &before);
  std::signal(SIGXFSZ, oldHandler);
  ASSERT_TRUE(failure.has_value());
  EXPECT_NE(failure->find("write"), std::string::npos);
  EXPECT_EQ(readWholeFile(file), "old rows");
  EXPECT_EQ(entriesIn(folder.path()), 1);
}

}  // namespace
}  // namespace youran
