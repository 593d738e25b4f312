#include "playlist/ui/desktop_files.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QProcess>
#include <QStandardPaths>
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

void tellNoFileManager(const QString& path) {
  ShowNotice(QStringLiteral("悠然提醒您："),
             QStringLiteral("没有找到可以打开文件夹的文件管理器。歌曲在：\n%1").arg(QDir::toNativeSeparators(path)),
             true, false, false);
}

void tellFileManagerFailed(const QString& path) {
  ShowNotice(QStringLiteral("悠然提醒您："),
             QStringLiteral("文件管理器没能打开歌曲所在的文件夹 QAQ 歌曲在：\n%1").arg(QDir::toNativeSeparators(path)),
             true, false, false);
}

// xdg-open run as our own child, so that its exit code is seen (Qt's own
// launch only knows whether the program started). A file manager it runs
// in the foreground may outlive the player: a QProcess kills its program
// when destroyed, so one still running at exit is never destroyed; the
// list keeps it reachable.
void runFolderOpener(const QString& opener, const QString& folder, const QString& path) {
  static auto* running = new QList<QProcess*>;
  auto* process = new QProcess;
  process->setProgram(opener);
  process->setArguments({folder});
  process->setProcessChannelMode(QProcess::ForwardedChannels);
  process->setStandardInputFile(QProcess::nullDevice());
  running->append(process);
  auto done = [process] {
    running->removeOne(process);
    process->deleteLater();
  };
  QObject::connect(process, &QProcess::finished, [process, path, done](int code, QProcess::ExitStatus status) {
    if (status != QProcess::NormalExit || code != 0) {
      logWarning("playlist", "xdg-open could not open the folder (exit " + std::to_string(code) + ")");
      tellFileManagerFailed(path);
    }
    done();
  });
  QObject::connect(process, &QProcess::errorOccurred, [process, path, done](QProcess::ProcessError error) {
    if (error != QProcess::FailedToStart) return;
    logWarning("playlist", "xdg-open did not start: " + process->errorString().toStdString());
    tellNoFileManager(path);
    done();
  });
  process->start();
}

void openFolderOf(const QString& path) {
  const std::string folder = std::filesystem::path(pathFromQ(path)).parent_path().native();
  const QUrl url(fileUriOf(folder), QUrl::StrictMode);
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
  const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
  if (!opener.isEmpty()) return runFolderOpener(opener, url.toString(QUrl::FullyEncoded), path);
#endif
  if (QDesktopServices::openUrl(url)) return;
  // Nothing on this desktop opens folders: say so rather than do nothing.
  tellNoFileManager(path);
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
