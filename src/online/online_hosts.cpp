#include "online/online_hosts.h"

#include "settings/settings_file.h"

namespace youran {

std::string withoutTrailingSlash(std::string_view url) {
  while (!url.empty() && url.back() == '/') url.remove_suffix(1);
  return std::string(url);
}

OnlineHosts readOnlineHosts(const std::filesystem::path& settingsFile) {
  OnlineHosts hosts;
  hosts.primary = withoutTrailingSlash(readSetting(settingsFile, kOnlineSection, kOnlinePrimary));
  hosts.secondarySearch = withoutTrailingSlash(readSetting(settingsFile, kOnlineSection, kOnlineSecondarySearch));
  hosts.secondaryPage = withoutTrailingSlash(readSetting(settingsFile, kOnlineSection, kOnlineSecondaryPage));
  hosts.caBundle = readSetting(settingsFile, kOnlineSection, kOnlineCaBundle);
  return hosts;
}

}  // namespace youran
