#pragma once

#include <span>
#include <string_view>

namespace youran::cli {

// One sub-command of youranmusic-cli. `run` receives the arguments after the
// command name and returns the process exit code.
struct Command {
  std::string_view name;
  std::string_view usage;
  int (*run)(std::span<char*> args);
};

bool registerCommand(const Command& command);
std::span<const Command> commands();

}  // namespace youran::cli

#define YOURAN_CLI_COMMAND(ident, name, usage, fn) \
  static const bool youran_cli_registered_##ident = ::youran::cli::registerCommand({name, usage, fn})
