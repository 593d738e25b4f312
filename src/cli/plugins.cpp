#include "cli/plugins.h"

#include <filesystem>

#include "settings/settings_file.h"
#include "settings/settings_keys.h"
#include "base/data_folder.h"
#include "playback/audio_engine.h"
#include "playback/decode/plugin_folders.h"

namespace youran::cli {

void loadDecoderPlugins(AudioEngine& engine) {
  // The player's own choice of data folder, without --data-dir (the
  // commands' arguments are theirs) and without creating anything.
  int noArguments = 0;
  const std::filesystem::path data =
      pickDataFolder(dataFolderChoiceFromProcess(noArguments, nullptr));
  const std::filesystem::path folders[] = {data / "Plugins", installedPluginFolder()};
  const std::filesystem::path settingsFile = data / "Setting.ini";
  for (const auto& plugin : findDecoderPlugins(folders)) {
    engine.loadPlugin(plugin.string(), [&settingsFile](std::string_view key) {
      return readSetting(settingsFile, settings::kPluginsSection, key);
    });
  }
}

}  // namespace youran::cli
