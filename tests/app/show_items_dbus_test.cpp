// Runs on a private session bus (dbus-run-session): a stand-in file manager
// takes ShowItems, and without one the folder is opened instead.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDesktopServices>
#include <QTest>
#include <QUrl>

#include "playlist/ui/desktop_files.h"
#include "ui/notice_dialog.h"
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
  // No xdg-open either: the desktop's own way to open a folder is asked.
  const QByteArray savedPath = qgetenv("PATH");
  qputenv("PATH", QByteArray::fromStdString((folder.path() / "no-programs").string()));
  showFileInFolder(QString::fromStdString(song.string()));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !catcher.opened.isEmpty(); }, 10000));
  qputenv("PATH", savedPath);
  EXPECT_EQ(catcher.opened[0], QUrl::fromLocalFile(QString::fromStdString(folder.path().string())));
  EXPECT_EQ(manager.calls, 1);
  QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
}

QStringList shownNoticeTexts() {
  QStringList texts;
  for (auto* widget : QApplication::topLevelWidgets())
    if (auto* dialog = qobject_cast<NoticeDialog*>(widget); dialog && dialog->isVisible()) {
      texts << dialog->notice().text;
      dialog->close();
    }
  return texts;
}

// Without a file manager on the bus the folder goes to xdg-open, whose exit
// code counts: one that fails, or none at all, is told in a notice.
TEST(ShowFileInFolder, AFolderOpenerThatFailsOrIsMissingIsTold) {
  ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "run under dbus-run-session";
  testing::TempFolder folder;
  const auto song = folder.write("music/晴天.mp3", "x");
  const auto bin = folder.path() / "bin";
  const auto asked = folder.path() / "asked.txt";
  const QByteArray savedPath = qgetenv("PATH");
  qputenv("PATH", QByteArray::fromStdString(bin.string()));
  struct Case {
    const char* what;
    int exitCode;  // of the stand-in xdg-open; -1: there is none
    const char* notice;
  };
  const Case cases[] = {
      {"xdg-open opens the folder", 0, nullptr},
      {"xdg-open fails", 1, "文件管理器没能打开歌曲所在的文件夹"},
      {"no xdg-open and nothing else", -1, "没有找到可以打开文件夹的文件管理器"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(bin);
    std::filesystem::remove(asked);
    if (c.exitCode >= 0) {
      const auto opener = folder.write("bin/xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > '" + asked.string() +
                                                            "'\nexit " + std::to_string(c.exitCode) + "\n");
      std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
    }
    showFileInFolder(QString::fromStdString(song.string()));
    QStringList texts;
    const bool answered = QTest::qWaitFor([&] {
      texts << shownNoticeTexts();
      return !texts.isEmpty() || (c.exitCode == 0 && std::filesystem::exists(asked));
    }, 10000);
    EXPECT_TRUE(answered) << "neither a notice nor the folder opened";
    QTest::qWait(200);
    texts << shownNoticeTexts();
    if (c.notice) {
      ASSERT_EQ(texts.size(), 1);
      EXPECT_TRUE(texts[0].startsWith(QString::fromUtf8(c.notice))) << texts[0].toStdString();
      EXPECT_TRUE(texts[0].contains(QString::fromStdString(song.string())));
    } else {
      EXPECT_TRUE(texts.isEmpty()) << texts.join('|').toStdString();
    }
    if (c.exitCode >= 0) {
      EXPECT_EQ(QUrl(QString::fromStdString(testing::readFile(asked))).toLocalFile().toStdString(),
                song.parent_path().string());
    }
  }
  qputenv("PATH", savedPath);
}

}  // namespace
}  // namespace youran

#include "show_items_dbus_test.moc"
