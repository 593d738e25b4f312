#include <cstdio>
#include <span>
#include <string_view>

#include "cli/command.h"

namespace {

void printUsage(FILE* to) {
  std::fputs("usage: youranmusic-cli COMMAND [ARGS...]\n\ncommands:\n", to);
  for (const auto& command : youran::cli::commands()) {
    std::fprintf(to, "  %.*s\n", static_cast<int>(command.usage.size()), command.usage.data());
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    printUsage(stderr);
    return 2;
  }
  std::string_view name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") {
    printUsage(stdout);
    return 0;
  }
  for (const auto& command : youran::cli::commands()) {
    if (command.name == name) return command.run(std::span<char*>(argv + 2, argc - 2));
  }
  std::fprintf(stderr, "youranmusic-cli: unknown command '%s'\n", argv[1]);
  printUsage(stderr);
  return 2;
}
