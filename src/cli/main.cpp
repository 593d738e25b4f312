#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

#include "cli/command.h"

namespace {

#ifdef YOURAN_CLI_FULL
void printUsage(FILE* to) {
  std::fputs("usage: youranmusic-cli COMMAND [ARGS...]\n\ncommands:\n", to);
  for (const auto& command : youran::cli::commands()) {
    std::fprintf(to, "  %.*s\n", static_cast<int>(command.usage.size()), command.usage.data());
  }
}
#else
// The program with every command, installed beside this one.
int runFullProgram(char** argv) {
  char self[4096];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  std::string full = "youranmusic-cli-full";
  if (n > 0) {
    const std::string_view exe(self, static_cast<size_t>(n));
    full = std::string(exe.substr(0, exe.rfind('/') + 1)) + full;
  }
  ::execv(full.c_str(), argv);
  std::fprintf(stderr, "youranmusic-cli: cannot run %s: %s\n", full.c_str(), std::strerror(errno));
  return 127;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  std::string_view name = argc >= 2 ? argv[1] : "";
  for (const auto& command : youran::cli::commands()) {
    if (command.name == name) return command.run(std::span<char*>(argv + 2, argc - 2));
  }
#ifndef YOURAN_CLI_FULL
  // Help and every other command come from the full program.
  return runFullProgram(argv);
#else
  if (argc < 2) {
    printUsage(stderr);
    return 2;
  }
  if (name == "--help" || name == "-h" || name == "help") {
    printUsage(stdout);
    return 0;
  }
  std::fprintf(stderr, "youranmusic-cli: unknown command '%s'\n", argv[1]);
  printUsage(stderr);
  return 2;
#endif
}
