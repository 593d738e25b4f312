// The PulseAudio output against a private PulseAudio server that the test
// starts, kills and starts again.

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "playback/output/pulse_output.h"
#include "support/temp_folder.h"

extern char** environ;

namespace youran {
namespace {

using namespace std::chrono_literals;

class CountingSource final : public AudioSource {
 public:
  int render(float* stereo, int frames, bool) override {
    std::fill(stereo, stereo + 2 * frames, 0.1f);
    rendered += frames;
    return frames;
  }
  std::atomic<int64_t> rendered{0};
};

class PrivateServer {
 public:
  explicit PrivateServer(const testing::TempFolder& folder) : folder_(folder) {}
  ~PrivateServer() { stop(); }

  bool start() {
    const std::string run = (folder_ / "run").string(), socket = (folder_ / "pulse.sock").string();
    std::filesystem::create_directories(run);
    std::filesystem::permissions(run, std::filesystem::perms::owner_all);
    std::filesystem::remove(socket);
    // The server's own folders; the rest of the environment as it is.
    std::vector<std::string> env{"XDG_RUNTIME_DIR=" + run, "HOME=" + folder_.path().string()};
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    std::vector<std::string> args{"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                                  "--disable-shm=yes", "--log-target=file:" + (folder_ / "server.log").string(),
                                  "-L", "module-null-sink sink_name=one",
                                  "-L", "module-native-protocol-unix socket=" + socket + " auth-anonymous=1"};
    std::vector<char*> envp, argv;
    for (auto& e : env) envp.push_back(e.data());
    for (auto& a : args) argv.push_back(a.data());
    envp.push_back(nullptr);
    argv.push_back(nullptr);
    if (posix_spawnp(&pid_, "pulseaudio", nullptr, nullptr, argv.data(), envp.data()) != 0) return false;
    setenv("PULSE_SERVER", ("unix:" + socket).c_str(), 1);
    for (int i = 0; i < 100; ++i) {
      if (PulseOutput::serverAnswers()) return true;
      std::this_thread::sleep_for(50ms);
    }
    return false;
  }

  void stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  const testing::TempFolder& folder_;
  pid_t pid_ = -1;
};

template <typename F>
bool within(std::chrono::milliseconds limit, F done) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

// The null sink of a fresh server sleeps in blocks of up to 2 s while
// nothing plays, and takes a new stream's audio only when it wakes: the
// waits for audio allow for that.
TEST(PulseOutputTest, SaysOnceWhenTheServerIsGoneAndPlaysOnWhenItIsBack) {
  if (testing::runCommand("command -v pulseaudio >/dev/null") != 0) GTEST_SKIP() << "pulseaudio is not installed";
  testing::TempFolder folder;
  PrivateServer server(folder);
  ASSERT_TRUE(server.start()) << "the private server never answered";
  EXPECT_EQ(PulseOutput::deviceNames(), std::vector<std::string>{"Null Output"});

  std::mutex lock;
  std::vector<OutputStatus> said;
  auto heard = [&] {
    std::lock_guard guard(lock);
    return said;
  };
  CountingSource source;
  PulseOutput output;
  output.setStatusHandler([&](OutputStatus status) {
    std::lock_guard guard(lock);
    said.push_back(status);
  });
  ASSERT_TRUE(output.open(44100, source));
  output.start();
  ASSERT_TRUE(within(4s, [&] { return source.rendered > 44100 / 2; })) << "nothing was asked for";

  server.stop();
  ASSERT_TRUE(within(2s, [&] { return !heard().empty(); })) << "no word of the loss";
  // While no server plays, nothing is taken from the source: the streams'
  // clocks stand still. Several retries pass without a second notice.
  const int64_t atLoss = source.rendered;
  std::this_thread::sleep_for(1s);
  EXPECT_EQ(source.rendered, atLoss);
  EXPECT_EQ(heard(), std::vector<OutputStatus>{OutputStatus::Lost});

  ASSERT_TRUE(server.start());
  EXPECT_TRUE(within(2s, [&] { return heard().size() == 2; })) << "no word that the sound is back";
  EXPECT_TRUE(within(4s, [&] { return source.rendered > atLoss + 44100 / 2; })) << "the sound did not go on";
  EXPECT_EQ(heard(), (std::vector<OutputStatus>{OutputStatus::Lost, OutputStatus::Back}));
  output.close();
}

}  // namespace
}  // namespace youran
