#pragma once

// Files opened with the player while a copy already runs (from a file
// manager, or `youranmusic FILE...`) go to that copy over a local socket
// named per user, beside the single-instance lock; the copy that holds the
// lock listens, adds them and plays the first. The second copy then ends
// without a notice.

#include <QObject>
#include <QString>
#include <QStringList>
#include <filesystem>

class QLocalServer;

namespace youran {

// The socket beside a lock file: the lock's path with ".socket" in place
// of its extension (Unix), or a pipe named after the user (Windows).
QString handoverSocketName(const std::filesystem::path& lockPath);

// The files and folders among the program's arguments (argv[0] and options
// left out; file:// URLs become paths), made absolute. Arguments and result
// carry paths as base/qt_path.h does, so a GBK name survives the trip.
QStringList openedFileArguments(const QStringList& arguments);

// argv (after QApplication took its own options) as pathToQ gives it;
// QCoreApplication::arguments() would turn a GBK name into U+FFFD.
QStringList byteFaithfulArguments(int argc, char** argv);

// Sends `paths` to the copy listening on `name`; true once that copy has
// taken them. Blocks for at most `timeoutMs` (a copy that holds the lock but
// hangs must not hang this one for ever).
bool handPathsToRunningCopy(const QString& name, const QStringList& paths, int timeoutMs = 3000);

class HandoverServer : public QObject {
  Q_OBJECT
 public:
  explicit HandoverServer(QObject* parent = nullptr);
  ~HandoverServer() override;

  // Only the lock holder listens, so a socket file left by a crashed copy
  // is removed first.
  bool listen(const QString& name);

 signals:
  void pathsReceived(const QStringList& paths);

 private:
  void onConnection();
  QLocalServer* server_;
};

}  // namespace youran
