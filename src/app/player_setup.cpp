#include "app/player_setup.h"

namespace youran {

StartupHooks makeStartupHooks() {
  StartupHooks hooks;
  return hooks;
}

void attachPlayer(PlayerApp& /*player*/) {}

}  // namespace youran
