#include "online/ui/online_fetch.h"

#include <QBuffer>
#include <QImageReader>
#include <memory>

#include "base/log.h"
#include "online/fetch_memory.h"
#include "online/primary_service.h"

namespace youran {

bool coverBytesAcceptable(const QByteArray& bytes) {
  if (bytes.isEmpty()) return false;
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  if (!reader.canRead()) return false;
  const QSize size = reader.size();
  if (!size.isValid() || size.isEmpty()) return false;
  return static_cast<qint64>(size.width()) * size.height() <= kMaxCoverPixels;
}

std::function<std::string(const std::string&)> primaryLyricFetch(std::filesystem::path settingsFile) {
  auto failed = std::make_shared<FailedFetchMemory>();
  return [settingsFile, failed](const std::string& displayName) -> std::string {
    const OnlineHosts hosts = readOnlineHosts(settingsFile);
    if (!hosts.hasPrimary() || failed->recentlyFailed(displayName)) return {};
    std::string lrc = PrimaryService(hosts).fetchLyric(displayName);
    if (lrc.empty()) failed->noteFailure(displayName);
    return lrc;
  };
}

std::function<QByteArray(const QString&)> primaryCoverFetch(std::filesystem::path settingsFile) {
  auto failed = std::make_shared<FailedFetchMemory>();
  return [settingsFile, failed](const QString& displayName) -> QByteArray {
    const OnlineHosts hosts = readOnlineHosts(settingsFile);
    const std::string name = displayName.toStdString();
    if (!hosts.hasPrimary() || failed->recentlyFailed(name)) return {};
    const std::string bytes = PrimaryService(hosts).fetchCover(name);
    QByteArray picture(bytes.data(), static_cast<qsizetype>(bytes.size()));
    if (!picture.isEmpty() && !coverBytesAcceptable(picture)) {
      logWarning("online", "the cover for " + name + " is not a usable picture");
      picture.clear();
    }
    if (picture.isEmpty()) failed->noteFailure(name);
    return picture;
  };
}

}  // namespace youran
