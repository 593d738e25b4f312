// The music list file and Setting.ini survive their writer being killed at
// any moment, and a full disk: after every SIGKILL the file loads with the
// player's own reader and holds, byte for byte, either what it held before or
// a state the writer really saved, never a torn mixture, never an older one.
//
// The writers run in crash_writer (the real conversion pass over real audio
// files, the real writeSetting). Kill moments come from a fixed seed, so a
// failure can be replayed.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "settings/settings_file.h"
#include "base/atomic_file.h"
#include "base/text_encoding.h"
#include "crash/settings_body.h"
#include "playlist/music_list_file.h"
#include "playlist/track_list.h"
#include "support/playlist_fixtures.h"
#include "support/temp_folder.h"
#include "support/wav_fixture.h"

extern char** environ;

namespace youran {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr size_t kRows = 2000;
constexpr int kKills = 200;
constexpr unsigned kSeed = 20261209;

struct WriterRun {
  bool killed = false;  // SIGKILL arrived while the writer was still running
  int exitCode = -1;    // when it ended by itself
  std::string log;      // its stdout and stderr
};

// Starts crash_writer with `args`; kills it after `delay` unless it has
// ended by then (a negative delay lets it run to its end).
WriterRun runWriter(const std::vector<std::string>& args, std::chrono::microseconds delay,
                    const fs::path& log) {
  std::vector<std::string> all{CRASH_WRITER_PATH};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = 0;
  int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  WriterRun run;
  if (spawned != 0) {
    run.log = std::string("spawn failed: ") + std::strerror(spawned);
    return run;
  }
  int status = 0;
  if (delay.count() >= 0) {
    std::this_thread::sleep_for(delay);
    ::kill(pid, SIGKILL);  // an ended writer is a zombie until waited for: nothing happens
  }
  ::waitpid(pid, &status, 0);
  run.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.log = testing::readFile(log);
  return run;
}

// Temporary files the atomic writer left beside `file`.
int strayTemporaries(const fs::path& file) {
  int n = 0;
  const std::string prefix = "." + file.filename().string() + ".tmp";
  for (auto& e : fs::directory_iterator(file.parent_path()))
    if (e.path().filename().string().starts_with(prefix)) ++n;
  return n;
}

std::vector<std::string> splitLines(const std::string& bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (;;) {
    size_t end = bytes.find("\r\n", start);
    lines.push_back(
        bytes.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return lines;
    start = end + 2;
  }
}

void writePlain(const fs::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

// A small tmpfs of its own, in a mount namespace of this test process only
// (a user namespace too when not root). Empty reason when mounted.
class SmallTmpfs {
 public:
  SmallTmpfs(const fs::path& at, size_t bytes) : at_(at) {
    uid_t uid = ::geteuid();
    gid_t gid = ::getegid();
    if (uid != 0) {
      if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
        reason_ = std::string("unshare(user+mount namespace): ") + std::strerror(errno);
        return;
      }
      writePlain("/proc/self/setgroups", "deny");
      writePlain("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1");
      writePlain("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
    } else if (::unshare(CLONE_NEWNS) != 0) {
      reason_ = std::string("unshare(mount namespace): ") + std::strerror(errno);
      return;
    }
    // Nothing mounted here may reach the rest of the machine.
    if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
      reason_ = std::string("making / private: ") + std::strerror(errno);
      return;
    }
    fs::create_directories(at);
    std::string options = "size=" + std::to_string(bytes) + ",mode=0700";
    if (::mount("tmpfs", at.c_str(), "tmpfs", 0, options.c_str()) != 0) {
      reason_ = std::string("mount tmpfs: ") + std::strerror(errno);
      return;
    }
    mounted_ = true;
  }
  ~SmallTmpfs() {
    if (mounted_) ::umount2(at_.c_str(), MNT_DETACH);
  }
  const std::string& reason() const { return reason_; }

  // Makes the free space about `bytes` by resizing a file of zeros.
  void leaveFree(size_t bytes) {
    const fs::path filler = at_ / "filler";
    fs::remove(filler);
    struct statvfs st {};
    ::statvfs(at_.c_str(), &st);
    const size_t free = size_t(st.f_bavail) * st.f_frsize;
    if (free <= bytes) return;
    std::string zeros(free - bytes, '\0');
    int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, zeros.data(), zeros.size()), ssize_t(zeros.size()));
    ::close(fd);
  }

 private:
  fs::path at_;
  std::string reason_;
  bool mounted_ = false;
};

// ---- the music list under the conversion pass ----

// 2,000 unconverted rows over a few dozen short WAV files, and the same list
// once the pass has converted every row (found by letting the writer finish).
class ConversionKills : public ::testing::Test {
 protected:
  void SetUp() override {
    TrackList list;
    std::vector<fs::path> files;
    for (int i = 0; i < 40; ++i) {
      files.push_back(audio_ / ("曲目" + std::to_string(i) + ".wav"));
      testing::writeToneWav(files.back(), 44100 * (1 + i % 7) / 2, 44100, 2, 220.0 + 10 * i);
    }
    for (size_t i = 0; i < kRows; ++i) list.addTrack(files[i % files.size()].string());
    original_ = serializeMusicList(list);

    const fs::path reference = audio_ / kMusicListFileName;
    writePlain(reference, original_);
    auto started = Clock::now();
    WriterRun run = runWriter({"convert", reference.string(), "20"}, std::chrono::microseconds(-1),
                              audio_ / "reference.log");
    passTime_ = Clock::now() - started;
    ASSERT_EQ(run.exitCode, 0) << run.log;
    converted_ = testing::readFile(reference);
    TrackList done;
    ASSERT_EQ(loadMusicList(reference, done).status, MusicListStatus::loaded);
    ASSERT_EQ(done.size(), kRows);
    for (const auto& row : done.rows()) ASSERT_TRUE(row.converted()) << row.path;
    oldLines_ = splitLines(original_);
    newLines_ = splitLines(converted_);
    ASSERT_EQ(oldLines_.size(), kRows + 1);
    ASSERT_EQ(newLines_.size(), kRows + 1);
  }

  // The pass converts rows in order and every save writes the whole list,
  // so a saved state is the first k rows converted and the rest as they
  // were. Returns k for the file's bytes, or -1 when they are no such state.
  long savedState(const std::string& bytes) const {
    auto lines = splitLines(bytes);
    if (lines.size() != kRows + 1 || lines[0] != oldLines_[0]) return -1;
    size_t k = 0;
    while (k < kRows && lines[k + 1] == newLines_[k + 1] && lines[k + 1] != oldLines_[k + 1]) ++k;
    for (size_t i = k; i < kRows; ++i)
      if (lines[i + 1] != oldLines_[i + 1]) return -1;
    return long(k);
  }

  // Checks the list after a run with the player's reader; returns the state.
  long checkList(const fs::path& file, long before, const std::string& context) {
    std::string bytes = testing::readFile(file);
    long k = savedState(bytes);
    EXPECT_GE(k, 0) << context << ": the list is neither the old one nor one the pass saved ("
                    << bytes.size() << " bytes)";
    EXPECT_GE(k, before) << context << ": the list went back to an older state";
    TrackList loaded;
    MusicListLoad load = loadMusicList(file, loaded);
    EXPECT_EQ(load.status, MusicListStatus::loaded) << context;
    EXPECT_EQ(loaded.size(), kRows) << context;
    EXPECT_EQ(load.linesSkipped, 0u) << context;
    size_t convertedRows = 0;
    for (const auto& row : loaded.rows()) convertedRows += row.converted();
    if (k >= 0) {
      EXPECT_EQ(convertedRows, size_t(k)) << context;
    }
    return k;
  }

  testing::TempFolder audio_;
  std::string original_, converted_;
  std::vector<std::string> oldLines_, newLines_;
  Clock::duration passTime_{};
};

TEST_F(ConversionKills, ListIsOldOrSavedAfterEveryKill) {
  testing::TempFolder data;
  const fs::path file = data / kMusicListFileName;
  writePlain(file, original_);
  std::mt19937 random(kSeed);
  const auto pass = std::chrono::duration_cast<std::chrono::microseconds>(passTime_);
  long state = 0;
  int landed = 0, finished = 0, between = 0, resets = 0;
  std::vector<long> seen;
  // Runs until 200 kills have met a running pass; a run that ends before its
  // kill is checked all the same.
  int i = 0;
  for (; landed < kKills && i < 2 * kKills && !HasFailure(); ++i) {
    // Most kills fall inside the part of the pass still to run.
    const double left = 0.15 + 0.85 * double(long(kRows) - state) / kRows;
    std::chrono::microseconds delay(
        std::uniform_int_distribution<long>(0, long(pass.count() * left))(random));
    WriterRun run = runWriter({"convert", file.string(), "5"}, delay, data / "writer.log");
    const std::string context =
        "kill " + std::to_string(i) + " after " + std::to_string(delay.count()) + " us";
    if (run.killed) {
      ++landed;
    } else {
      ++finished;
      EXPECT_EQ(run.exitCode, 0) << context << ": " << run.log;
    }
    long k = checkList(file, state, context);
    if (run.killed && k > 0 && k < long(kRows)) ++between;
    seen.push_back(k);
    EXPECT_LE(strayTemporaries(file), 1) << context << ": temporary files pile up";
    state = k;
    if (k == long(kRows)) {
      writePlain(file, original_);  // start over, so the next kills meet a pass again
      state = 0;
      ++resets;
    }
  }
  std::sort(seen.begin(), seen.end());
  const auto distinct = std::unique(seen.begin(), seen.end()) - seen.begin();
  std::printf(
      "conversion: %d runs, %d killed (%d with the list part-converted), %d finished, %d restarts, "
      "%ld distinct states; pass %lld ms\n",
      i, landed, between, finished, resets, long(distinct), (long long)(pass.count() / 1000));
  // The kills must really meet the pass, at many different points.
  EXPECT_EQ(landed, kKills);
  EXPECT_GE(distinct, 20);
}

TEST_F(ConversionKills, FullDiskKeepsTheListAndSaysSo) {
  testing::TempFolder data;
  const fs::path at = data / "small";
  const size_t listBytes = std::max(original_.size(), converted_.size());
  SmallTmpfs tmpfs(at, 4 * listBytes + (64 << 10));
  if (!tmpfs.reason().empty()) GTEST_SKIP() << "no tmpfs of our own: " << tmpfs.reason();
  const fs::path file = at / kMusicListFileName;
  writePlain(file, original_);

  // Entirely full: every save fails, the writer says so, the file is as it was.
  tmpfs.leaveFree(0);
  WriterRun full = runWriter({"convert", file.string(), "5"}, std::chrono::microseconds(-1),
                             data / "writer.log");
  EXPECT_EQ(full.exitCode, 1) << full.log;
  EXPECT_NE(full.log.find("No space left on device"), std::string::npos) << full.log;
  EXPECT_EQ(testing::readFile(file), original_);
  EXPECT_EQ(strayTemporaries(file), 0);

  // Room for nothing, part of a copy, or a whole one, and kills at random.
  std::mt19937 random(kSeed + 1);
  const auto pass = std::chrono::duration_cast<std::chrono::microseconds>(passTime_);
  long state = 0;
  int killed = 0, refused = 0, saved = 0;
  for (int i = 0; i < 60 && !HasFailure(); ++i) {
    const size_t room = std::uniform_int_distribution<size_t>(0, listBytes * 3 / 2)(random);
    tmpfs.leaveFree(room);
    const bool kill = i % 3 != 2;
    std::chrono::microseconds delay(
        kill ? std::uniform_int_distribution<long>(0, pass.count())(random) : -1);
    WriterRun run = runWriter({"convert", file.string(), "5"}, delay, data / "writer.log");
    const std::string context =
        "round " + std::to_string(i) + " with " + std::to_string(room) + " bytes free";
    long k = checkList(file, state, context);
    if (run.killed) {
      ++killed;
    } else if (run.exitCode == 1) {
      ++refused;
      EXPECT_NE(run.log.find("No space left on device"), std::string::npos)
          << context << ": " << run.log;
    } else {
      ++saved;
      EXPECT_EQ(run.exitCode, 0) << context << ": " << run.log;
      EXPECT_EQ(k, long(kRows)) << context << ": the writer said it saved everything";
    }
    EXPECT_LE(strayTemporaries(file), 1) << context;
    state = k;
    if (k == long(kRows)) {
      tmpfs.leaveFree(listBytes * 2);
      writePlain(file, original_);
      state = 0;
    }
  }
  std::printf("conversion on a full disk: %d killed, %d refused with ENOSPC, %d saved in full\n",
              killed, refused, saved);
  EXPECT_GT(refused, 0);
  EXPECT_GT(saved, 0);
}

// ---- Setting.ini under the settings writer ----

// A Setting.ini as the player keeps it, with the writer's two keys in the
// state (序号 s, 内容 body b).
std::string settingsBytes(long s, long b) {
  const std::vector<std::string> lines = {
      "; 悠然音乐的设置",
      "[Download]",
      "Location=/home/用户/音乐下载/",
      "",
      "[Lyric]",
      "Font=微软雅黑",
      "Karaoke=T",
      "[Vision]",
      "Gaussian=T",
      "Spectrum=F",
      "[计数]",
      "序号=" + std::to_string(s),
      "[正文]",
      "内容=" + testing::settingsBody(b),
      "[Plugins]",
      "MidiSoundFont=/usr/share/sounds/sf2/默认.sf2",
  };
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return utf8ToGb18030(text);
}

struct SettingsState {
  long s = -1, b = -1;
};

// The state Setting.ini holds, read with the player's readSetting, checked
// against the whole file's bytes.
SettingsState checkSettings(const fs::path& file, SettingsState before,
                            const std::string& context) {
  SettingsState now;
  const std::string number = readSetting(file, "计数", "序号");
  const std::string body = readSetting(file, "正文", "内容");
  now.s = std::atol(number.c_str());
  if (number != std::to_string(now.s)) now.s = -1;
  if (body == testing::settingsBody(now.s))
    now.b = now.s;
  else if (body == testing::settingsBody(now.s - 1))
    now.b = now.s - 1;
  EXPECT_TRUE(now.s >= 0 && now.b >= 0)
      << context << ": 序号 '" << number.substr(0, 20) << "', 内容 of " << body.size() << " bytes";
  if (now.s >= 0 && now.b >= 0) {
    EXPECT_TRUE(testing::readFile(file) == settingsBytes(now.s, now.b))
        << context << ": other lines changed";
    EXPECT_TRUE(now.s > before.s || (now.s == before.s && now.b >= before.b))
        << context << ": went back";
  }
  EXPECT_EQ(readSetting(file, "Lyric", "Font"), "微软雅黑") << context;
  EXPECT_EQ(readSetting(file, "Plugins", "MidiSoundFont"), "/usr/share/sounds/sf2/默认.sf2")
      << context;
  return now;
}

// A writer that stopped between its two keys leaves 内容 one behind; the next
// one starts by writing that 内容 again, so every state stays (s, s) or (s, s-1).
long nextFirst(SettingsState state) { return state.b == state.s ? state.s + 1 : state.s; }

TEST(SettingsKills, FileIsOldOrWrittenAfterEveryKill) {
  testing::TempFolder data;
  const fs::path file = data / "Setting.ini";
  writePlain(file, settingsBytes(0, 0));
  // How long one write takes here, so the kills fall among the writes.
  auto started = Clock::now();
  WriterRun timing = runWriter({"settings", file.string(), "1", "20"},
                               std::chrono::microseconds(-1), data / "w.log");
  ASSERT_EQ(timing.exitCode, 0) << timing.log;
  const auto twenty = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - started);
  SettingsState state = checkSettings(file, {0, 0}, "timing run");
  ASSERT_EQ(state.s, 20);

  std::mt19937 random(kSeed + 2);
  int landed = 0, halfway = 0;
  for (int i = 0; i < kKills && !HasFailure(); ++i) {
    std::chrono::microseconds delay(std::uniform_int_distribution<long>(0, twenty.count())(random));
    WriterRun run =
        runWriter({"settings", file.string(), std::to_string(nextFirst(state)), "1000000"}, delay,
                  data / "w.log");
    landed += run.killed;
    EXPECT_TRUE(run.killed) << run.log;
    state = checkSettings(
        file, state,
        "kill " + std::to_string(i) + " after " + std::to_string(delay.count()) + " us");
    halfway += state.b != state.s;
    EXPECT_LE(strayTemporaries(file), 1);
  }
  std::printf("settings: %d kills, %d left between the two keys, last 序号 %ld\n", landed, halfway,
              state.s);
  EXPECT_GT(halfway, 0);
}

TEST(SettingsKills, FullDiskKeepsTheFileAndSaysSo) {
  testing::TempFolder data;
  const fs::path at = data / "small";
  const size_t fileBytes = settingsBytes(100000, 100000).size();
  SmallTmpfs tmpfs(at, 8 * fileBytes + (64 << 10));
  if (!tmpfs.reason().empty()) GTEST_SKIP() << "no tmpfs of our own: " << tmpfs.reason();
  const fs::path file = at / "Setting.ini";
  writePlain(file, settingsBytes(0, 0));

  tmpfs.leaveFree(0);
  WriterRun full = runWriter({"settings", file.string(), "1", "5"}, std::chrono::microseconds(-1),
                             data / "w.log");
  EXPECT_EQ(full.exitCode, 1) << full.log;
  EXPECT_NE(full.log.find("cannot write 序号=1"), std::string::npos) << full.log;
  EXPECT_EQ(testing::readFile(file), settingsBytes(0, 0));
  EXPECT_EQ(strayTemporaries(file), 0);

  std::mt19937 random(kSeed + 3);
  SettingsState state{0, 0};
  int killed = 0, refused = 0, written = 0;
  for (int i = 0; i < 60 && !HasFailure(); ++i) {
    const size_t room = std::uniform_int_distribution<size_t>(0, fileBytes * 3 / 2)(random);
    tmpfs.leaveFree(room);
    const bool kill = i % 2 == 0;
    std::chrono::microseconds delay(kill ? std::uniform_int_distribution<long>(0, 20000)(random)
                                         : -1);
    WriterRun run = runWriter(
        {"settings", file.string(), std::to_string(nextFirst(state)), kill ? "1000000" : "3"},
        delay, data / "w.log");
    const std::string context =
        "round " + std::to_string(i) + " with " + std::to_string(room) + " bytes free";
    SettingsState before = state;
    state = checkSettings(file, state, context);
    if (run.killed) {
      ++killed;
    } else if (run.exitCode == 1) {
      ++refused;
      EXPECT_NE(run.log.find("cannot write"), std::string::npos) << context << ": " << run.log;
    } else {
      ++written;
      EXPECT_EQ(run.exitCode, 0) << context << ": " << run.log;
      EXPECT_EQ(state.s, nextFirst(before) + 2) << context << ": the writer said it wrote three";
    }
    EXPECT_LE(strayTemporaries(file), 1) << context;
  }
  std::printf("settings on a full disk: %d killed, %d refused, %d written in full\n", killed,
              refused, written);
  EXPECT_GT(refused, 0);
  EXPECT_GT(written, 0);
}

}  // namespace
}  // namespace youran
