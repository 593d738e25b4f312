#include "app/instance_handover.h"

#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QUrl>

#include "base/log.h"
#include "base/qt_path.h"
#include "base/qt_text.h"
#include "playlist/list_path.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace youran {

namespace {

// One message each way: the sender writes a QStringList, the listener
// answers one byte once it has taken it.
constexpr char kTaken = 'T';
constexpr auto kStreamVersion = QDataStream::Qt_6_0;

}  // namespace

QString handoverSocketName(const std::filesystem::path& lockPath) {
#ifdef _WIN32
  (void)lockPath;
  return QStringLiteral("youranmusic-") + qEnvironmentVariable("USERNAME");
#else
  auto socket = lockPath;
  socket.replace_extension(".socket");
  return toQ(socket.string());
#endif
}

QStringList openedFileArguments(const QStringList& arguments) {
  QStringList paths;
  for (int i = 1; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if (argument.startsWith(QLatin1Char('-'))) continue;
    std::string path = pathFromQ(argument);
    if (argument.startsWith(QStringLiteral("file:"))) path = localPathOfUri(path).value_or("");
    std::error_code ec;
    if (path.empty() || !std::filesystem::exists(path, ec)) continue;
    paths << pathToQ(std::filesystem::absolute(path, ec).lexically_normal().native());
  }
  return paths;
}

QStringList byteFaithfulArguments(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << pathToQ(argv[i]);
  return arguments;
}

bool handPathsToRunningCopy(const QString& name, const QStringList& paths, int timeoutMs) {
#ifndef _WIN32
  // In a shared folder such as /tmp, a socket someone else made is not our
  // running copy; the paths are not theirs to read.
  if (QFileInfo socketFile(name); socketFile.exists() && socketFile.ownerId() != ::getuid()) {
    logWarning("app", name.toStdString() + " belongs to another user; not handing files to it");
    return false;
  }
#endif
  QLocalSocket socket;
  socket.connectToServer(name);
  if (!socket.waitForConnected(timeoutMs)) return false;
  QByteArray message;
  {
    QDataStream out(&message, QIODevice::WriteOnly);
    out.setVersion(kStreamVersion);
    out << paths;
  }
  socket.write(message);
  if (!socket.waitForBytesWritten(timeoutMs)) return false;
  while (socket.bytesAvailable() < 1)
    if (!socket.waitForReadyRead(timeoutMs)) return false;
  char answer = 0;
  return socket.getChar(&answer) && answer == kTaken;
}

HandoverServer::HandoverServer(QObject* parent) : QObject(parent), server_(new QLocalServer(this)) {
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  connect(server_, &QLocalServer::newConnection, this, &HandoverServer::onConnection);
}

HandoverServer::~HandoverServer() = default;

bool HandoverServer::listen(const QString& name) {
  QLocalServer::removeServer(name);
  if (server_->listen(name)) return true;
  logWarning("app", "cannot listen on " + name.toStdString() + ": " +
                        server_->errorString().toStdString());
  return false;
}

void HandoverServer::onConnection() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
      QDataStream in(socket);
      in.setVersion(kStreamVersion);
      in.startTransaction();
      QStringList paths;
      in >> paths;
      if (!in.commitTransaction()) return;  // the rest is still on its way
      socket->putChar(kTaken);
      socket->flush();
      socket->disconnectFromServer();
      emit pathsReceived(paths);
    });
  }
}

}  // namespace youran
