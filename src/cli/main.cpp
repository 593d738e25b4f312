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
// The program with every command: beside this one in a build tree, else in
// libexec relative to this one's folder (an installed or unpacked tree), else
// at the path it was installed to.
int runFullProgram(char** argv) {
  char self[4096];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n > 0) {
    const std::string_view exe(self, static_cast<size_t>(n));
    const std::string folder(exe.substr(0, exe.rfind('/') + 1));
    for (const std::string& candidate :
         {folder + "youranmusic-cli-full", folder + YOURAN_CLI_FULL_RELATIVE}) {
      if (::access(candidate.c_str(), X_OK) == 0) ::execv(candidate.c_str(), argv);
    }
  }
  ::execv(YOURAN_CLI_FULL_INSTALLED, argv);
  std::fprintf(stderr, "youranmusic-cli: cannot run %s: %s\n", YOURAN_CLI_FULL_INSTALLED,
               std::strerror(errno));
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
