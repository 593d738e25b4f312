#include "cli/command.h"

#include <algorithm>
#include <vector>

namespace youran::cli {

namespace {
std::vector<Command>& registry() {
  static std::vector<Command> all;
  return all;
}
}  // namespace

bool registerCommand(const Command& command) {
  auto& all = registry();
  auto at = std::lower_bound(all.begin(), all.end(), command,
                             [](const Command& a, const Command& b) { return a.name < b.name; });
  all.insert(at, command);
  return true;
}

std::span<const Command> commands() { return registry(); }

}  // namespace youran::cli
