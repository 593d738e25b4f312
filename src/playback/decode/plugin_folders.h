#pragma once

// Where the player looks for decoder plug-ins: the data folder's Plugins,
// then the plug-in folder of an installed player.

#include <filesystem>
#include <span>
#include <vector>

namespace youran {

// The installed plug-in folder, found from the executable's folder so an
// installed tree can be moved: <prefix>/bin/../lib/youranmusic/Plugins.
std::filesystem::path installedPluginFolder();

// The cod_*.so (cod_*.dll on Windows) files of each folder, in the order
// the directory lists them. A file name already found in an earlier folder
// is skipped: the data folder's copy of a plug-in wins over the installed one.
std::vector<std::filesystem::path> findDecoderPlugins(
    std::span<const std::filesystem::path> folders);

}  // namespace youran
