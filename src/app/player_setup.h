#pragma once

// Where the subsystems meet: the hooks the start-up sequence calls, and the
// controllers attached to the main window once it exists.

#include "app/player_app.h"

namespace youran {

StartupHooks makeStartupHooks();
void attachPlayer(PlayerApp& player);

}  // namespace youran
