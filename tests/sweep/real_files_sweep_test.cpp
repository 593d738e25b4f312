// Every audio file the tests make, and mangled copies of them, added to a
// playlist, converted and played for a second: no file may crash the player
// or keep it busy for more than two seconds.
//
// The files go through sweep_probe in a child process, which says before
// each file which one it takes; a crash or a hang is charged to that file
// and the sweep goes on with the next. YOURAN_SWEEP_MUTANTS sets the number
// of mangled copies (the build's default otherwise).

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "support/temp_folder.h"
#include "sweep/sweep_corpus.h"

extern char** environ;

namespace youran {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr auto kHang = std::chrono::seconds(2);

struct Entry {
  fs::path file;
  std::string how;  // how a mutant was made; empty for a fixture
};

struct Outcome {
  size_t done = 0;
  size_t fixtures = 0;
  size_t openedFixtures = 0;  // fixtures the conversion pass found a length for
  long long slowestMs = 0;
  size_t slowest = 0;
  std::vector<std::string> failures;
  std::string listCheck;  // the probe's last line about the list
};

// The last `lines` lines of `text` (a sanitizer's report ends there).
std::string tail(const std::string& text, size_t lines) {
  size_t at = text.size();
  while (lines-- > 0 && at > 0) {
    size_t nl = text.rfind('\n', at - 1);
    if (nl == std::string::npos) return text;
    at = nl;
  }
  return text.substr(at);
}

// Runs the probe from `first` on until it ends; returns the index it stopped
// at when it crashed or hung (recorded in `outcome`), or entries.size().
size_t runProbe(const std::vector<Entry>& entries, size_t first, const fs::path& work,
                Outcome& outcome) {
  std::vector<std::string> args{SWEEP_PROBE_PATH, (work / "paths").string(), std::to_string(first),
                                work.string()};
  for (const char* plugin : {SWEEP_PLUGINS}) args.emplace_back(plugin);
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
    outcome.failures.push_back("pipe failed");
    return entries.size();
  }
  const fs::path log = work / "probe.log";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = 0;
  int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  if (spawned != 0) {
    ::close(pipeFds[0]);
    outcome.failures.push_back(std::string("cannot start the probe: ") + std::strerror(spawned));
    return entries.size();
  }

  std::string pending;
  constexpr size_t kNone = SIZE_MAX;
  size_t current = kNone;  // between "begin" and "done"
  auto since = Clock::now();
  bool hung = false, ended = false;
  auto line = [&](const std::string& text) {
    size_t index = 0;
    long long ms = 0;
    char duration[64] = {};
    if (std::sscanf(text.c_str(), "begin %zu", &index) == 1) {
      current = index;
      since = Clock::now();
    } else if (std::sscanf(text.c_str(), "done %zu %lld %63s", &index, &ms, duration) >= 2) {
      current = kNone;
      ++outcome.done;
      if (index < outcome.fixtures) outcome.openedFixtures += std::string(duration) != "-";
      if (ms > outcome.slowestMs) {
        outcome.slowestMs = ms;
        outcome.slowest = index;
      }
    } else if (text.starts_with("list")) {
      outcome.listCheck = text;
    }
  };
  while (!ended) {
    pollfd p{pipeFds[0], POLLIN, 0};
    auto limit = current != kNone ? since + kHang : Clock::now() + std::chrono::seconds(60);
    int wait = int(std::max<long long>(
        0, std::chrono::duration_cast<std::chrono::milliseconds>(limit - Clock::now()).count()));
    if (::poll(&p, 1, wait) == 0) {
      hung = true;
      break;
    }
    char buffer[4096];
    ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
    if (n <= 0) {
      ended = true;
      break;
    }
    pending.append(buffer, size_t(n));
    for (size_t nl; (nl = pending.find('\n')) != std::string::npos; pending.erase(0, nl + 1))
      line(pending.substr(0, nl));
    if (current != kNone && Clock::now() - since > kHang) {
      hung = true;
      break;
    }
  }
  if (hung) ::kill(pid, SIGKILL);
  int status = 0;
  ::waitpid(pid, &status, 0);
  ::close(pipeFds[0]);

  const bool clean = !hung && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (clean) return entries.size();
  std::string what = hung                  ? "hangs (over 2 s)"
                     : WIFSIGNALED(status) ? "killed by signal " + std::to_string(WTERMSIG(status))
                                           : "exit status " + std::to_string(WEXITSTATUS(status));
  if (current == kNone) {
    // Not inside a file: the list check at the end failed.
    outcome.failures.push_back("probe " + what + " after the files: " + outcome.listCheck + "\n" +
                               tail(testing::readFile(log), 30));
    return entries.size();
  }
  const Entry& e = entries[current];
  outcome.failures.push_back(e.file.filename().string() +
                             (e.how.empty() ? "" : " (" + e.how + ")") + ": " + what + "\n" +
                             tail(testing::readFile(log), 30));
  return current + 1;
}

size_t mutantCount() {
  if (const char* n = std::getenv("YOURAN_SWEEP_MUTANTS")) return std::strtoul(n, nullptr, 10);
  return YOURAN_SWEEP_MUTANTS;
}

TEST(RealFilesSweep, NoFileCrashesOrHangsTheConversionAndThePlayback) {
  std::string problem;
  const auto fixtures = testing::buildSweepFixtures(SWEEP_FIXTURE_DIR, problem);
  ASSERT_FALSE(fixtures.empty()) << problem;

  testing::TempFolder work;
  std::vector<Entry> entries;
  for (const auto& f : fixtures) entries.push_back({f, {}});
  // Copies under names users have: GBK bytes from a Windows archive, a
  // Latin-1 byte, a CR, an LF. Each must play and keep its row in the list.
  const fs::path named = work / "names";
  fs::create_directories(named);
  const std::pair<std::string, std::string> names[] = {
      {".mp3", "\xc4\xe3\xba\xc3"}, {".ogg", "caf\xe9"}, {".flac", "cr\rname"}, {".wav", "lf\nname"}};
  for (const auto& [extension, name] : names) {
    for (const auto& f : fixtures) {
      if (f.extension() != extension) continue;
      fs::copy_file(f, named / (name + extension));
      entries.push_back({named / (name + extension), "copy of " + f.filename().string()});
      break;
    }
  }
  const fs::path mutants = work / "mutants";
  fs::create_directories(mutants);
  for (uint32_t n = 0; n < mutantCount(); ++n) {
    auto m = testing::writeMutant(fixtures, n, mutants);
    entries.push_back({m.file, m.how});
  }
  {
    std::ofstream paths(work / "paths");
    for (const auto& e : entries) paths << e.file.string() << '\0';
  }

  Outcome outcome;
  outcome.fixtures = fixtures.size();
  const auto started = Clock::now();
  for (size_t next = 0; next < entries.size();)
    next = runProbe(entries, next, work.path(), outcome);
  const auto seconds = std::chrono::duration<double>(Clock::now() - started).count();

  std::printf(
      "sweep: %zu fixtures + %zu mangled copies, %zu files through, %zu fixtures with a length, "
      "%zu failures; "
      "slowest %lld ms (%s); %.1f s\n",
      fixtures.size(), entries.size() - fixtures.size(), outcome.done, outcome.openedFixtures,
      outcome.failures.size(), outcome.slowestMs,
      entries.empty() ? "" : entries[outcome.slowest].file.filename().c_str(), seconds);
  for (const auto& f : outcome.failures) ADD_FAILURE() << f;
  EXPECT_EQ(outcome.done, entries.size());
  // Most of the good fixtures must really play, or the sweep proves little.
  EXPECT_GT(outcome.openedFixtures, fixtures.size() / 2);
  if (outcome.failures.empty()) {
    EXPECT_TRUE(outcome.listCheck.starts_with("list ok")) << outcome.listCheck;
  }
}

}  // namespace
}  // namespace youran
