#include "settings/instance_lock.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/temp_folder.h"

namespace youran {
namespace {

TEST(InstanceLock, SecondHolderIsRefusedUntilTheFirstLetsGo) {
  testing::TempFolder folder;
  auto path = folder / "youranmusic.lock";
  {
    InstanceLock first;
    ASSERT_TRUE(first.acquire(path));
    EXPECT_EQ(testing::readFile(path), std::string(1, '\0'));
    InstanceLock second;
    EXPECT_FALSE(second.acquire(path));
    EXPECT_FALSE(second.held());
  }
  InstanceLock third;
  EXPECT_TRUE(third.acquire(path));
  EXPECT_EQ(testing::readFile(path).size(), 1u);
}

TEST(InstanceLock, LockOfAKilledRunDoesNotBlock) {
  testing::TempFolder folder;
  auto path = folder / "youranmusic.lock";
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    InstanceLock lock;
    char ok = lock.acquire(path) ? '1' : '0';
    if (::write(ready[1], &ok, 1) != 1) ::_exit(2);
    ::pause();
    ::_exit(0);
  }
  char ok = 0;
  ASSERT_EQ(::read(ready[0], &ok, 1), 1);
  ASSERT_EQ(ok, '1');
  InstanceLock whileRunning;
  EXPECT_FALSE(whileRunning.acquire(path));
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  InstanceLock afterCrash;
  EXPECT_TRUE(afterCrash.acquire(path)) << "a crashed run's lock file must not block";
  ::close(ready[0]);
  ::close(ready[1]);
}

TEST(InstanceLock, UnopenableLockFileFails) {
  InstanceLock lock;
  EXPECT_FALSE(lock.acquire("/nonexistent-folder/youranmusic.lock"));
}

}  // namespace
}  // namespace youran
