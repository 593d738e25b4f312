#include "online/ui/online_fetch.h"

#include <QBuffer>
#include <QImageReader>

#include "base/log.h"
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
  return [settingsFile](const std::string& displayName) -> std::string {
    const OnlineHosts hosts = readOnlineHosts(settingsFile);
    if (!hosts.hasPrimary()) return {};
    return PrimaryService(hosts).fetchLyric(displayName);
  };
}

std::function<QByteArray(const QString&)> primaryCoverFetch(std::filesystem::path settingsFile) {
  return [settingsFile](const QString& displayName) -> QByteArray {
    const OnlineHosts hosts = readOnlineHosts(settingsFile);
    if (!hosts.hasPrimary()) return {};
    const std::string bytes = PrimaryService(hosts).fetchCover(displayName.toStdString());
    QByteArray picture(bytes.data(), static_cast<qsizetype>(bytes.size()));
    if (!picture.isEmpty() && !coverBytesAcceptable(picture)) {
      logWarning("online", "the cover for " + displayName.toStdString() + " is not a usable picture");
      return {};
    }
    return picture;
  };
}

}  // namespace youran
