#include "playlist/ui/desktop_files.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <filesystem>

#include "base/log.h"
#include "playlist/desktop_trash.h"
#include "base/qt_path.h"
#include "base/qt_text.h"
#include "ui/notice_dialog.h"

namespace youran {

std::optional<QString> moveFileToTrash(const QString& path) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
  if (auto failure = moveToTrash(pathFromQ(path), trashPlacesFromEnvironment())) {
    logWarning("playlist", "cannot move " + pathFromQ(path) + " to the trash: " + *failure);
    return toQ(*failure);
  }
  return std::nullopt;
#else
  QFile file(path);
  if (file.moveToTrash()) return std::nullopt;
  QString reason = file.errorString();
  logWarning("playlist",
             "cannot move " + path.toStdString() + " to the trash: " + reason.toStdString());
  return reason;
#endif
}

namespace {

void openFolderOf(const QString& path) {
  const std::string folder = std::filesystem::path(pathFromQ(path)).parent_path().native();
  if (QDesktopServices::openUrl(QUrl(fileUriOf(folder), QUrl::StrictMode))) return;
  // Nothing on this desktop opens folders: say so rather than do nothing.
  ShowNotice(QStringLiteral("悠然提醒您："),
             QStringLiteral("没有找到可以打开文件夹的文件管理器。歌曲在：\n%1").arg(QDir::toNativeSeparators(path)),
             true, false, false);
}

}  // namespace

void showFileInFolder(const QString& path) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    openFolderOf(path);
    return;
  }
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.FileManager1"),
      QStringLiteral("/org/freedesktop/FileManager1"),
      QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
  std::error_code ec;
  call << QStringList{fileUriOf(std::filesystem::absolute(pathFromQ(path), ec).native())}
       << QString();
  // Asynchronous: a file manager that is slow to start must not hold up the
  // window, and one that is missing (an error reply) gives the folder.
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000));
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished,
                   [path](QDBusPendingCallWatcher* self) {
                     if (self->isError()) {
                       logWarning("playlist", "no file manager answered ShowItems (" +
                                                  self->error().message().toStdString() +
                                                  "); opening the folder");
                       openFolderOf(path);
                     }
                     self->deleteLater();
                   });
}

}  // namespace youran
