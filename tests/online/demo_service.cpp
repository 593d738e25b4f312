#include "demo_service.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "net/http_client.h"

extern char** environ;

namespace youran::testing {

DemoService::DemoService(const std::filesystem::path& library, std::vector<std::string> synthetic, int delayMs) {
  info_ = std::filesystem::temp_directory_path() /
          ("youran-demo-" + std::to_string(::getpid()) + "-" + std::to_string(reinterpret_cast<uintptr_t>(this)) +
           ".json");
  std::filesystem::remove(info_);
  std::vector<std::string> args = {"/usr/bin/python3", std::string(YOURAN_TEST_SOURCE_DIR) + "/scripts/demo-service.py",
                                   "--library", library.string(), "--info", info_.string(),
                                   "--delay-ms", std::to_string(delayMs)};
  for (const auto& s : synthetic) {
    args.push_back("--synthetic");
    args.push_back(s);
  }
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  if (posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
    pid_ = -1;
    return;
  }
  for (int i = 0; i < 300 && !std::filesystem::exists(info_); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  std::ifstream in(info_);
  std::stringstream text;
  text << in.rdbuf();
  const auto info = nlohmann::json::parse(text.str(), nullptr, false);
  if (!info.is_object()) return;
  hosts_.primary = info.value("primary", "");
  hosts_.secondarySearch = info.value("secondarySearch", "");
  hosts_.secondaryPage = info.value("secondaryPage", "");
  hosts_.caBundle = info.value("caBundle", "");
}

DemoService::~DemoService() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
  }
  std::filesystem::remove(info_);
}

bool DemoService::control(const std::string& fault, int delayMs) const {
  HttpRequest request;
  request.url = hosts_.primary + "/_control?fault=" + fault + "&delay=" + std::to_string(delayMs);
  return !HttpClient().request(request).empty();
}

std::filesystem::path makeDemoLibrary(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  struct Song {
    const char* file;
    const char* title;
    const char* artist;
  };
  static constexpr Song kSongs[] = {
      {"a.mp3", "晨光", "林小雨"}, {"b.mp3", "Rain", "Demo Band"}, {"c.mp3", "Breeze", "Demo Band"}};
  for (const Song& song : kSongs) {
    const auto out = folder / song.file;
    if (std::filesystem::exists(out)) continue;
    const std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i sine=f=440:d=1 "
                                "-c:a libmp3lame -b:a 64k -metadata title='" +
                                std::string(song.title) + "' -metadata artist='" + song.artist + "' '" +
                                out.string() + "'";
    if (std::system(command.c_str()) != 0) return {};
  }
  return folder;
}

}  // namespace youran::testing
