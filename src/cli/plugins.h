#pragma once

namespace youran {
class AudioEngine;
}

namespace youran::cli {

// The decoder plug-ins the player would load (its data folder's Plugins,
// then the installed plug-in folder), with their settings from that data
// folder's Setting.ini. For the commands that open audio.
void loadDecoderPlugins(AudioEngine& engine);

}  // namespace youran::cli
