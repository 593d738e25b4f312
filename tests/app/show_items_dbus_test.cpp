// Runs on a private session bus (dbus-run-session): a stand-in file manager
// takes ShowItems, and without one the folder is opened instead.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDesktopServices>
#include <QTest>
#include <QUrl>

#include "playlist/ui/desktop_files.h"
#include "support/temp_folder.h"

namespace youran {
namespace {

class FakeFileManager : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
 public:
  QStringList shown;
  QString startupId;
  int calls = 0;

 public slots:
  void ShowItems(const QStringList& uris, const QString& startup) {
    ++calls;
    shown = uris;
    startupId = startup;
  }
};

class UrlCatcher : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> opened;
 public slots:
  void open(const QUrl& url) { opened << url; }
};

TEST(ShowFileInFolder, AsksTheFileManagerOnTheSessionBus) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  ASSERT_TRUE(bus.isConnected()) << "run under dbus-run-session";
  // The stand-in answers on a connection of its own, as another program would.
  QDBusConnection other =
      QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("file-manager"));
  FakeFileManager manager;
  ASSERT_TRUE(other.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &manager,
                                   QDBusConnection::ExportAllSlots));
  ASSERT_TRUE(other.registerService(QStringLiteral("org.freedesktop.FileManager1")));
  UrlCatcher catcher;
  QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");

  testing::TempFolder folder;
  const auto song = folder.write("周杰伦 晴天.mp3", "x");
  showFileInFolder(QString::fromStdString(song.string()));
  ASSERT_TRUE(QTest::qWaitFor([&] { return manager.calls > 0; }, 5000));
  ASSERT_EQ(manager.shown.size(), 1);
  EXPECT_EQ(QUrl(manager.shown[0]).toLocalFile().toStdString(), song.string());
  EXPECT_TRUE(manager.shown[0].startsWith(QStringLiteral("file:///")));
  EXPECT_TRUE(manager.shown[0].contains(QStringLiteral("%E5%91%A8"))) << "the URI is encoded";
  QTest::qWait(100);
  EXPECT_TRUE(catcher.opened.isEmpty()) << "no folder is opened when the file manager answers";

  other.unregisterService(QStringLiteral("org.freedesktop.FileManager1"));
  other.unregisterObject(QStringLiteral("/org/freedesktop/FileManager1"));
  QDBusConnection::disconnectFromBus(QStringLiteral("file-manager"));
  showFileInFolder(QString::fromStdString(song.string()));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !catcher.opened.isEmpty(); }, 10000));
  EXPECT_EQ(catcher.opened[0], QUrl::fromLocalFile(QString::fromStdString(folder.path().string())));
  EXPECT_EQ(manager.calls, 1);
  QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
}

}  // namespace
}  // namespace youran

#include "show_items_dbus_test.moc"
