#include "playback/decode/plugin_folders.h"

#include <set>
#include <string>
#include <system_error>

#include "base/data_folder.h"

namespace youran {

namespace {
#ifdef _WIN32
constexpr std::string_view kPluginSuffix = ".dll";
#else
constexpr std::string_view kPluginSuffix = ".so";
#endif
}  // namespace

std::filesystem::path installedPluginFolder() {
  return (executableFolder().parent_path() / YOURAN_INSTALL_PLUGIN_DIR).lexically_normal();
}

std::vector<std::filesystem::path> findDecoderPlugins(
    std::span<const std::filesystem::path> folders) {
  std::vector<std::filesystem::path> found;
  std::set<std::string> names;
  for (const auto& folder : folders) {
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
      std::string name = it->path().filename().string();
      if (!name.starts_with("cod_") || !name.ends_with(kPluginSuffix)) continue;
      std::error_code typeError;
      if (!it->is_regular_file(typeError)) continue;
      if (names.insert(name).second) found.push_back(it->path());
    }
  }
  return found;
}

}  // namespace youran
