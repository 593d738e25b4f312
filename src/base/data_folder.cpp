#include "base/data_folder.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <system_error>

namespace youran {

namespace {
std::filesystem::path& current() {
  static std::filesystem::path folder = std::filesystem::current_path();
  return folder;
}

bool writable(const std::filesystem::path& folder) {
  return !folder.empty() && ::access(folder.c_str(), W_OK) == 0;
}
}  // namespace

std::filesystem::path pickDataFolder(const DataFolderChoice& choice) {
  std::filesystem::path folder;
  if (!choice.commandLine.empty()) {
    folder = choice.commandLine;
  } else if (!choice.environment.empty()) {
    folder = choice.environment;
  } else if (writable(choice.executableFolder)) {
    folder = choice.executableFolder;
  } else {
    folder = choice.xdgDataHome / "youranmusic";
  }
  return folder;
}

std::filesystem::path chooseDataFolder(const DataFolderChoice& choice) {
  std::filesystem::path folder = pickDataFolder(choice);
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  auto absolute = std::filesystem::absolute(folder, ec);
  return ec ? folder : absolute.lexically_normal();
}

std::filesystem::path executableFolder() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return std::filesystem::current_path(ec);
  return exe.parent_path();
}

DataFolderChoice dataFolderChoiceFromProcess(int& argc, char** argv) {
  DataFolderChoice choice;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    int consumed = 0;
    if (arg == "--data-dir" && i + 1 < argc) {
      choice.commandLine = argv[i + 1];
      consumed = 2;
    } else if (arg.starts_with("--data-dir=")) {
      choice.commandLine = std::string(arg.substr(std::strlen("--data-dir=")));
      consumed = 1;
    }
    if (consumed) {
      for (int j = i; j + consumed <= argc; ++j) argv[j] = argv[j + consumed];
      argc -= consumed;
      --i;
    }
  }
  if (const char* env = std::getenv("YOURAN_MUSIC_HOME"); env && *env) choice.environment = env;
  choice.executableFolder = executableFolder();
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) {
    choice.xdgDataHome = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    choice.xdgDataHome = std::filesystem::path(home) / ".local" / "share";
  } else {
    choice.xdgDataHome = "/tmp";
  }
  return choice;
}

void setDataFolder(const std::filesystem::path& folder) { current() = folder; }

const std::filesystem::path& dataFolder() { return current(); }

std::filesystem::path dataPath(std::string_view relative) { return current() / relative; }

std::string withTrailingSeparator(const std::filesystem::path& folder) {
  std::string text = folder.string();
  if (text.empty() || text.back() != std::filesystem::path::preferred_separator)
    text.push_back(std::filesystem::path::preferred_separator);
  return text;
}

}  // namespace youran
